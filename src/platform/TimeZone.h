// The system's time zone in the form the program's callers expect: biases in
// minutes with local time = UTC - bias.
#pragma once

#include "platform/WinTypes.h"

struct TIME_ZONE_INFORMATION {
  LONG Bias = 0;          // standard-time bias (minutes)
  LONG StandardBias = 0;  // added to Bias in standard time (always 0 here)
  LONG DaylightBias = 0;  // added to Bias in daylight time (e.g. -60)
};

constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;  // zone without daylight time
constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;

// Fills info with the system zone; returns which time is in force now.
// The program changes the process's TZ rule for its exports; that does not
// change what this returns (the zone the process started with is kept).
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);

// The standard-time bias of the system zone, in minutes (Bias above).
LONG GetTimeZoneBias();

// Uses the given TZ rule (e.g. "CET-1CEST,M3.5.0,M10.5.0/3") as the system
// zone (tests); null restores the real one.
void SetSystemTimeZoneForTesting(const char* tzRule);
