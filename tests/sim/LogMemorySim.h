// The simulated logger's chipset log memory: 32 sectors of 64 KB, each a
// 512-byte header and 4064 slots of 16 bytes holding track records with their
// check byte, segment and waypoint markers, filler and erased slots. The
// content is generated from a seed, so a test knows every record a download
// must give back.
//
// It answers "$PMTK182,7,<addr>,<len>" with "$PMTK182,8,<addr>,<hex>" pieces
// of 2048 bytes and an acknowledgement, the used-bytes query
// "$PMTK182,2,8", the erase "$PMTK182,6,1" and the maker commands 6 (read
// ahead) and 9 (log-by choice). Its fault switches spoil the read exchange.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "logger/TrackRecord.h"

namespace sim {

class SimLogger;

constexpr std::uint32_t kLogMemorySize = 0x200000;
constexpr std::uint32_t kLogSectorSize = 0x10000;
constexpr std::uint32_t kLogHeaderSize = 512;
constexpr std::uint32_t kLogPieceSize = 2048;
constexpr int kLogSectors = 32;
constexpr int kSlotsPerSector = (kLogSectorSize - kLogHeaderSize) / 16;  // 4064

struct LogMemoryLayout {
  std::uint32_t seed = 1;
  // Sectors holding data, 1 to 32, written from sector 0 on.
  int sectors = 1;
  // Bytes in use of the newest sector, header included (512 to 0x10000).
  std::uint32_t newestSectorBytes = kLogSectorSize;
  // The ring has gone round: every sector holds data; the newest one is
  // newestSector, partly written, and the oldest surviving data starts in the
  // sector after it.
  bool wrapped = false;
  int newestSector = 9;
  // Time of the first generated record; 0 takes forty days before now.
  std::time_t firstTime = 0;
};

// What a download of the whole memory gives back, in time order.
struct LogContent {
  // Track records of each segment file (a segment that only holds waypoints
  // has an empty list but is still a file).
  std::vector<std::vector<TrackRecord>> segments;
  std::vector<TrackRecord> waypoints;
  // Every track record (the Total file).
  std::vector<TrackRecord> Total() const;
};

// The memory image and its content; usedBytes is the figure the logger
// reports (0x200000 once the ring has wrapped).
struct LogMemoryImage {
  std::vector<std::uint8_t> image;
  LogContent content;
  std::uint32_t usedBytes = 0;
};
LogMemoryImage BuildLogMemory(const LogMemoryLayout& layout);

// Misbehaviour of the read exchange; addresses are of 2048-byte pieces, the
// sector of silentFrom is a sector base. kNoFault switches one off.
constexpr std::uint32_t kNoFault = 0xFFFFFFFF;
struct LogReadFaults {
  std::uint32_t badChecksumAt = kNoFault;  // this piece once with a wrong checksum
  bool badChecksumEveryTime = false;       // ...or every time it is sent
  // (piece, position in its sentence): that character is lost on the line,
  // once for each pair.
  std::vector<std::pair<std::uint32_t, std::size_t>> lostCharAt;
  std::uint32_t nulBeforeAt = kNoFault;     // one NUL byte of noise before this piece (once)
  std::uint32_t foreignReplyAt = kNoFault;  // before this piece (once): a reply
                                            // for another address and a stray
                                            // log sentence
  std::uint32_t silentFrom = kNoFault;      // reads from here on get no answer
  std::uint32_t vanishAt = kNoFault;        // the port vanishes in this piece
  int vanishAtReadAhead = -1;               // ...or at this maker command 6 (0: the first)
};

class LogMemorySim {
 public:
  // Installs the memory into the logger (its handlers stay with the logger).
  static std::shared_ptr<LogMemorySim> Install(SimLogger& logger,
                                               const LogMemoryLayout& layout = {});

  const LogContent& Content() const { return m_content; }
  std::uint32_t UsedBytes() const { return m_usedBytes; }
  void SetFaults(const LogReadFaults& faults);
  // Read requests received: (address, length).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> Requests() const;

 private:
  bool OnRead(SimLogger& logger, std::uint32_t address, std::uint32_t length);
  bool OnReadAhead(SimLogger& logger);

  LogContent m_content;
  std::uint32_t m_usedBytes = 0;
  mutable std::mutex m_mutex;
  LogReadFaults m_faults;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> m_requests;
  int m_nReadAheads = 0;
};

}  // namespace sim
