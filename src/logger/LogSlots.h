// The kinds of 16-byte slot in the chipset's log memory besides track
// records: markers, filler and erased memory.
#pragma once

#include <algorithm>
#include <cstring>

#include "platform/WinTypes.h"

namespace logslots {

inline constexpr char kSegmentMarker[] = "VANTOTX370LOGGER";
inline constexpr char kWaypointMarker[] = "VANTOTX370WAYPNT";

inline bool AllBytes(const BYTE* slot, int count, BYTE value) {
  return std::all_of(slot, slot + count, [value](BYTE b) { return b == value; });
}
// A new track segment starts after it.
inline bool IsSegmentMarker(const BYTE* slot) { return std::memcmp(slot, kSegmentMarker, 16) == 0; }
// The slot after it holds a waypoint record.
inline bool IsWaypointMarker(const BYTE* slot) {
  return std::memcmp(slot, kWaypointMarker, 16) == 0;
}
// Filler: bytes 0-6 0xAA and 12-15 0xBB (7-11 any value).
inline bool IsSeparator(const BYTE* slot) {
  return AllBytes(slot, 7, 0xAA) && AllBytes(slot + 12, 4, 0xBB);
}
inline bool IsErased(const BYTE* slot) { return AllBytes(slot, 16, 0xFF); }

}  // namespace logslots
