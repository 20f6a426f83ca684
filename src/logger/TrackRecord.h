// One 16-byte record of the logger's track memory and of TRL files
// (a TRL file is a plain run of these, no header). Little-endian on disk.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/WinTypes.h"

constexpr int kTrackRecordSize = 16;

struct TrackRecord {
  BYTE bytes[kTrackRecordSize];

  // UTC seconds since 1970-01-01.
  std::uint32_t Time() const { return Uint32At(0); }
  float Latitude() const { return FloatAt(4); }
  float Longitude() const { return FloatAt(8); }
  // Bytes 12-14 are the three high bytes of a float in metres; the low byte
  // is 0.
  float Altitude() const {
    const std::uint32_t bits = static_cast<std::uint32_t>(bytes[12]) << 8 |
                               static_cast<std::uint32_t>(bytes[13]) << 16 |
                               static_cast<std::uint32_t>(bytes[14]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  BYTE Check() const { return bytes[15]; }
  // XOR of bytes 0 to 14; the record is intact when it equals Check().
  BYTE ComputeCheck() const {
    BYTE x = 0;
    for (int i = 0; i < 15; ++i) x ^= bytes[i];
    return x;
  }
  bool IsIntact() const { return ComputeCheck() == Check(); }

  // Builds an intact record (test data, conversions).
  static TrackRecord Make(std::uint32_t time, float latitude, float longitude, float altitude) {
    TrackRecord r{};
    PutUint32(r.bytes, time);
    std::uint32_t bits;
    std::memcpy(&bits, &latitude, sizeof bits);
    PutUint32(r.bytes + 4, bits);
    std::memcpy(&bits, &longitude, sizeof bits);
    PutUint32(r.bytes + 8, bits);
    std::memcpy(&bits, &altitude, sizeof bits);
    r.bytes[12] = static_cast<BYTE>(bits >> 8);
    r.bytes[13] = static_cast<BYTE>(bits >> 16);
    r.bytes[14] = static_cast<BYTE>(bits >> 24);
    r.bytes[15] = r.ComputeCheck();
    return r;
  }

 private:
  std::uint32_t Uint32At(int at) const {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
  }
  float FloatAt(int at) const {
    const std::uint32_t bits = Uint32At(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  static void PutUint32(BYTE* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
  }
};
static_assert(sizeof(TrackRecord) == kTrackRecordSize);
