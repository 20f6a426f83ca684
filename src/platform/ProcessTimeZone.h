// Process-wide conversion time zone: a fixed offset from UTC in whole hours,
// without daylight saving. Once set it holds for every later local-time
// conversion of the process; while none is set, local time is the system's.
// The offset is our own state (no TZ variable), so threads that use the C
// library's local time meanwhile are not disturbed.
#pragma once

#include <ctime>
#include <optional>

void SetProcessTimeZone(int hours);
void ClearProcessTimeZone();
std::optional<int> GetProcessTimeZone();

// Local calendar time of t under the process rule. FALSE when t has no
// calendar form.
bool ProcessLocalTime(std::time_t t, std::tm& out);
// UTC calendar time of t. FALSE when t has no calendar form.
bool ProcessGmtTime(std::time_t t, std::tm& out);
// Inverse of ProcessLocalTime: seconds since 1970 of a local calendar time
// (fields may be out of range and are normalised into tm). -1 on failure.
std::time_t ProcessMakeLocalTime(std::tm& local);
