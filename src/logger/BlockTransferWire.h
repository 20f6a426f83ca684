// Wire units of the block protocol: reply bytes, command words, the 7-bit
// additive checksum, blocks, frames and the settings block. Numbers on the
// wire are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"

namespace blockwire {

// Reply bytes of the logger.
constexpr BYTE kReady = '!';      // ready or accepted
constexpr BYTE kRefused = '?';    // refused or retry
constexpr BYTE kWrongType = '$';  // wrong transfer type
constexpr BYTE kNext = '&';       // next block may follow
constexpr BYTE kBreak = '^';      // user break on the logger
constexpr BYTE kDone = '%';       // transfer finished
constexpr BYTE kResend = '@';     // frame to be sent again
constexpr BYTE kNoRoom = '#';     // no room on the memory card

constexpr int kWordSize = 6;     // "$TLG" CR LF
constexpr int kHeaderSize = 10;  // word, 32-bit length, CR LF
constexpr int kAckSize = 3;      // "!" CR LF
constexpr int kBlockSize = 514;  // lead byte, checksum, 512 data bytes
constexpr int kBlockData = 512;
constexpr int kFrameOverhead = 4;  // 0x01, checksum ... CR LF
constexpr int kSettingsSize = 11;
constexpr int kShortFrameSize = 7;
constexpr int kStatusSize = 5;

// The sending form's first wake, with the checksum the logger expects.
constexpr char kPmtkWake[] = "$PMTK182*21\r\n";
constexpr int kPmtkWakeSize = 13;

// Low 7 bits of the 8-bit sum of the bytes.
BYTE Checksum7(const BYTE* data, std::size_t count);
std::uint32_t GetU32(const BYTE* p);
void PutU32(BYTE* p, std::uint32_t value);

// Total bytes of a size reply: block count x 512 in 32 bits.
std::uint32_t TotalFromBlockCount(const BYTE* sizeReply);
// A file length raised to the next multiple of 512.
std::uint32_t RoundToBlock(std::uint32_t length);

}  // namespace blockwire

// The logger's recording settings as the 11-byte settings block carries them.
struct BlockSettingsBlock {
  int enable = 0;             // 1 on, 2 off
  int logBy = 0;              // 2 time, 3 distance
  std::uint32_t seconds = 0;  // interval
  std::uint32_t metres = 0;   // distance
  int flashMode = 0;          // 1 cycle, 2 once

  static BlockSettingsBlock FromBytes(const BYTE* p);
};
