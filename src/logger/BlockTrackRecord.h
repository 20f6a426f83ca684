// One 16-byte record of a track-log block received by the '$'-command block
// protocol (32 fill the 512 data bytes of a block). Little-endian, no check
// byte; all 0xFF marks an empty record.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

constexpr int kBlockTrackRecordSize = 16;
constexpr int kBlockDataSize = 512;
constexpr int kBlockRecordsPerBlock = kBlockDataSize / kBlockTrackRecordSize;

struct BlockTrackRecord {
  std::int32_t longitude;  // 1e-7 degree, east positive
  std::int32_t latitude;   // 1e-7 degree, north positive
  std::int32_t altitude;   // centimetres
  std::uint32_t time;      // UTC seconds since 1970-01-01

  static BlockTrackRecord FromBytes(const BYTE* p) {
    auto u32 = [p](int at) {
      return static_cast<std::uint32_t>(p[at]) | static_cast<std::uint32_t>(p[at + 1]) << 8 |
             static_cast<std::uint32_t>(p[at + 2]) << 16 |
             static_cast<std::uint32_t>(p[at + 3]) << 24;
    };
    return {static_cast<std::int32_t>(u32(0)), static_cast<std::int32_t>(u32(4)),
            static_cast<std::int32_t>(u32(8)), u32(12)};
  }
  static bool IsEmpty(const BYTE* p) {
    for (int i = 0; i < kBlockTrackRecordSize; ++i)
      if (p[i] != 0xFF) return false;
    return true;
  }
};
static_assert(sizeof(BlockTrackRecord) == kBlockTrackRecordSize);
