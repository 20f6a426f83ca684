#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/TimeZone.h"

namespace {

struct ZoneCase {
  const char* rule;
  LONG bias;
  LONG daylightBias;
};

TEST(TimeZone, BiasHasWindowsSignAndExcludesDaylightTime) {
  const ZoneCase cases[] = {
      {"UTC0", 0, 0},
      {"CET-1CEST,M3.5.0,M10.5.0/3", -60, -60},
      {"EST5EDT,M3.2.0,M11.1.0", 300, -60},
      {"IST-5:30", -330, 0},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", -600, -60},  // daylight time spans the new year
  };
  for (const ZoneCase& c : cases) {
    SetSystemTimeZoneForTesting(c.rule);
    TIME_ZONE_INFORMATION info;
    DWORD id = GetTimeZoneInformation(&info);
    EXPECT_EQ(info.Bias, c.bias) << c.rule;
    EXPECT_EQ(info.DaylightBias, c.daylightBias) << c.rule;
    EXPECT_EQ(GetTimeZoneBias(), c.bias) << c.rule;
    EXPECT_EQ(id == TIME_ZONE_ID_UNKNOWN, c.daylightBias == 0) << c.rule;
  }
  SetSystemTimeZoneForTesting(nullptr);
}

TEST(TimeZone, ProcessTzRuleForExportsDoesNotChangeSystemZone) {
  LONG system = GetTimeZoneBias();
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", system == 13 * 60 ? "TMP+12" : "TMP-13", 1);
  tzset();
  EXPECT_EQ(GetTimeZoneBias(), system);
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
