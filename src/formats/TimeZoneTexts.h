// The conversion zones offered by the zone lists: "+13" at position 0 down to
// "-12" at position 25, so position i stands for zone 13 - i hours.
#pragma once

#include <cstdint>

struct TimeZoneText {
  char text[4];           // NUL-padded
  std::int32_t position;  // the entry's own position
};

constexpr int kTimeZoneCount = 26;
extern const TimeZoneText g_timeZoneTexts[kTimeZoneCount];

// Zone in hours of a list position, and the position of a zone (-1 when the
// list has none).
constexpr int TimeZoneOfPosition(int position) { return 13 - position; }
constexpr int PositionOfTimeZone(int zone) { return zone >= -12 && zone <= 13 ? 13 - zone : -1; }
