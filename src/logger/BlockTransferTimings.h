// Pauses and bounds of the block protocol's waits. The logger paces the
// transfer; these bound how long the PC waits for it before telling the user.
#pragma once

#include "platform/WinTypes.h"

// Pause between two single-byte reads of a reply.
constexpr DWORD kReplyPollMs = 10;
// A reply byte (after a request word, header, block or frame; each clear
// progress byte): 10 seconds of polls.
constexpr int kReplyPolls = 1000;
// The rest of a unit whose first bytes arrived (a block split over several
// reads, the size and address words): 5 seconds.
constexpr int kRestPolls = 500;
// Polls after "$END" once the transfer is complete, and the bound before it is.
constexpr int kFinishQuietPolls = 100;
constexpr int kFinishPolls = 1000;
// Blocks or frames asked for again in a row before the exchange gives up.
constexpr int kMaxRepeats = 20;
// Refusals of the wake ('?') before the logger counts as not answering.
constexpr int kMaxWakeRefusals = 10;
// Wake polls: receiving form with and without the bridge, sending form.
constexpr int kReceiveWakeLimitBridge = 10;
constexpr int kReceiveWakeLimit = 300;
constexpr int kSendWakeLimitBridge = 80;
constexpr int kSendWakeLimit = 30;
// Ports COM1 to COM9 are tried.
constexpr int kLastPortIndex = 8;
