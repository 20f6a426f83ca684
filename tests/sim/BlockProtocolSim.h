// The logger's side of the '$'-command block protocol. It wakes on the
// chipset sentences "$PMTK182,5" (upload) and "$PMTK182,6" (clear) and on
// "$BEG"/"$STA" (send, log status); sends its log as checksummed 514-byte
// blocks of BlockTrackRecords; takes "$WRT" headers and frames and keeps the
// received file; clears its log; and misbehaves on request.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "logger/BlockTrackRecord.h"

namespace sim {

class SimLogger;

struct BlockFaults {
  bool silent = false;           // answer nothing at all
  bool silentAfterWake = false;  // answer the wake, then nothing
  bool wrongType = false;        // '$' to the wake
  bool refuse = false;           // '?' to the request word or header
  bool noRoom = false;           // '#' to the header
  bool noFinish = false;         // no '%' after "$END"
  int badBlocks = 0;             // the first n blocks sent carry a bad checksum
  int userBreakAt = -1;          // '^' instead of '&' after this block or frame
  int vanishAt = -1;             // the port vanishes when this block is due
  int splitBlocks = 0;           // each block goes in this many pieces
  int splitDelayMs = 40;         // pause between the pieces
  int resendFrame = -1;          // '@' to this frame once
  int refuseFrame = -1;          // '?' to this frame once, then '@'
  std::uint8_t sizeTopByte = 0;  // byte 3 of the size reply
  int wakeDelayMs = 150;         // '!' after the upload or clear wake
};

class BlockProtocolSim {
 public:
  void SetFaults(const BlockFaults& faults);
  // The stored log; records to blocks with 0xFF after the last record.
  void SetLog(std::vector<BlockTrackRecord> records);
  std::vector<BlockTrackRecord> Log() const;
  std::vector<std::uint8_t> LogBytes() const;
  // Records of a plausible track from a seed (one every 5 s, moving).
  static std::vector<BlockTrackRecord> GenerateRecords(unsigned seed, int count);

  // The file the last "$WRT" transfer delivered, and the length announced.
  std::vector<std::uint8_t> ReceivedFile() const;
  std::uint32_t AnnouncedLength() const;
  // Frames taken, frames whose checksum was wrong, blocks sent (resends
  // included), finishes answered and clear exchanges completed.
  int FramesTaken() const;
  int FramesSeen() const;  // every frame that arrived
  int BadFrames() const;
  int BlocksSent() const;
  int Finishes() const;
  int Clears() const;

  // Offered each chunk the logger receives; true when the exchange took it.
  bool Feed(SimLogger& logger, const std::uint8_t* data, std::size_t size);

 private:
  enum class State {
    kIdle,
    kUploadRequest,
    kBlockAck,
    kClearRequest,
    kClearAck,
    kSendingWoken,
    kFrames,
    kStatusAck,
    kEnd
  };
  bool Idle(SimLogger& logger, const std::uint8_t* data, std::size_t size);
  // Handles one unit of m_in; false when it needs more bytes.
  bool Step(SimLogger& logger);
  void SendBlock(SimLogger& logger, const std::string& lead, int index);
  bool Frame(SimLogger& logger);

  mutable std::mutex m_mutex;
  BlockFaults m_faults;
  std::vector<BlockTrackRecord> m_records;
  State m_state = State::kIdle;
  std::string m_line;  // idle: the text since the last line end
  std::string m_in;    // active: bytes not yet handled
  int m_block = 0;
  int m_blocksDamaged = 0;
  int m_clearPercent = 0;
  int m_frame = 0;
  bool m_resendDone = false;
  bool m_refuseDone = false;
  std::vector<std::uint8_t> m_file;
  std::uint32_t m_announced = 0;
  int m_framesTaken = 0;
  int m_framesSeen = 0;
  int m_badFrames = 0;
  int m_blocksSent = 0;
  int m_finishes = 0;
  int m_clears = 0;
};

// Teaches the simulated logger the block protocol; the state stays with it.
std::shared_ptr<BlockProtocolSim> InstallBlockProtocol(SimLogger& logger);

}  // namespace sim
