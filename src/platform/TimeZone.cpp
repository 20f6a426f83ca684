#include "platform/TimeZone.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>

namespace {

struct ZoneState {
  LONG bias = 0;
  LONG daylightBias = 0;
  bool hasDaylight = false;
  bool daylightNow = false;
};

std::mutex g_mutex;
std::optional<std::string> g_startTz;  // TZ value at first use (nullopt: unset)
bool g_startTzKnown = false;
std::optional<ZoneState> g_startZone;  // the zone as it was at first use
std::optional<ZoneState> g_testZone;

std::optional<std::string> CurrentTzVariable() {
  const char* tz = std::getenv("TZ");
  if (!tz) return std::nullopt;
  return std::string(tz);
}

// Reads the zone the C library currently applies. The standard offset is the
// smaller of the January and July offsets (daylight time moves clocks ahead).
ZoneState ComputeZone() {
  tzset();
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::tm probe = local;
  probe.tm_mon = 0;
  probe.tm_mday = 1;
  probe.tm_hour = 12;
  probe.tm_isdst = -1;
  std::tm jan{}, jul{};
  std::time_t tJan = std::mktime(&probe);
  localtime_r(&tJan, &jan);
  probe = local;
  probe.tm_mon = 6;
  probe.tm_mday = 1;
  probe.tm_hour = 12;
  probe.tm_isdst = -1;
  std::time_t tJul = std::mktime(&probe);
  localtime_r(&tJul, &jul);
  long standardOff = jan.tm_gmtoff < jul.tm_gmtoff ? jan.tm_gmtoff : jul.tm_gmtoff;
  long daylightOff = jan.tm_gmtoff < jul.tm_gmtoff ? jul.tm_gmtoff : jan.tm_gmtoff;
  ZoneState z;
  z.bias = static_cast<LONG>(-standardOff / 60);
  z.hasDaylight = daylightOff != standardOff;
  z.daylightBias = z.hasDaylight ? static_cast<LONG>(-(daylightOff - standardOff) / 60) : 0;
  z.daylightNow = z.hasDaylight && local.tm_isdst > 0;
  return z;
}

ZoneState CurrentZone() {
  std::lock_guard lock(g_mutex);
  if (g_testZone) return *g_testZone;
  std::optional<std::string> tz = CurrentTzVariable();
  if (!g_startTzKnown) {
    g_startTzKnown = true;
    g_startTz = tz;
    g_startZone = ComputeZone();
    return *g_startZone;
  }
  // While the process's rule is the one it started with, follow the clock
  // (daylight time may begin or end while the program runs).
  if (tz == g_startTz) g_startZone = ComputeZone();
  return *g_startZone;
}

// Capture the zone before anything in the process changes TZ.
[[maybe_unused]] const bool g_captured = (CurrentZone(), true);

}  // namespace

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info) {
  ZoneState z = CurrentZone();
  if (info) {
    info->Bias = z.bias;
    info->StandardBias = 0;
    info->DaylightBias = z.daylightBias;
  }
  if (!z.hasDaylight) return TIME_ZONE_ID_UNKNOWN;
  return z.daylightNow ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

LONG GetTimeZoneBias() { return CurrentZone().bias; }

void SetSystemTimeZoneForTesting(const char* tzRule) {
  std::lock_guard lock(g_mutex);
  if (!tzRule) {
    g_testZone.reset();
    return;
  }
  std::optional<std::string> saved = CurrentTzVariable();
  setenv("TZ", tzRule, 1);
  g_testZone = ComputeZone();
  if (saved)
    setenv("TZ", saved->c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}
