#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "framework/Time.h"
#include "platform/ProcessTimeZone.h"

namespace {
class TimeZoneTest : public ::testing::Test {
 protected:
  void TearDown() override { ClearProcessTimeZone(); }
};
}  // namespace

TEST_F(TimeZoneTest, CalendarFieldsFollowTheProcessZone) {
  SetProcessTimeZone(8);
  const CTime t(0);
  EXPECT_EQ(t.GetYear(), 1970);
  EXPECT_EQ(t.GetMonth(), 1);
  EXPECT_EQ(t.GetDay(), 1);
  EXPECT_EQ(t.GetHour(), 8);
  EXPECT_EQ(t.GetDayOfWeek(), 5);  // Thursday
  SetProcessTimeZone(-12);
  EXPECT_EQ(t.GetDay(), 31);
  EXPECT_EQ(t.GetHour(), 12);
  EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "1969-12-31 12:00:00");
  EXPECT_EQ(t.FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-01 00:00:00");
  std::tm tm{};
  ASSERT_NE(t.GetGmtTm(&tm), nullptr);
  EXPECT_EQ(tm.tm_hour, 0);
  ASSERT_NE(t.GetLocalTm(&tm), nullptr);
  EXPECT_EQ(tm.tm_hour, 12);
  EXPECT_EQ(t.GetLocalTm(nullptr), nullptr);
}

TEST_F(TimeZoneTest, ConstructorFromLocalFieldsIsTheInverse) {
  SetProcessTimeZone(8);
  const CTime t(2008, 3, 1, 8, 0, 0);
  EXPECT_EQ(t.GetTime(), 1204329600 - 0);  // 2008-03-01 00:00:00 UTC
  EXPECT_EQ(t.Format("%Y%m%d-%H%M%S"), "20080301-080000");
  // Fields out of range are normalised.
  EXPECT_EQ(CTime(2008, 13, 1, 0, 0, 0).GetYear(), 2009);
  SetProcessTimeZone(-5);
  EXPECT_EQ(CTime(2008, 3, 1, 8, 0, 0).GetTime(), 1204329600 + 13 * 3600);
}

TEST_F(TimeZoneTest, WithoutAZoneLocalTimeIsTheSystems) {
  ClearProcessTimeZone();
  EXPECT_FALSE(GetProcessTimeZone().has_value());
  const std::time_t now = std::time(nullptr);
  std::tm system{}, ours{};
  localtime_r(&now, &system);
  ASSERT_TRUE(ProcessLocalTime(now, ours));
  EXPECT_EQ(ours.tm_hour, system.tm_hour);
  EXPECT_EQ(ours.tm_mday, system.tm_mday);
  SetProcessTimeZone(0);
  EXPECT_EQ(GetProcessTimeZone(), 0);  // zone 0 is a set zone, not "none"
}

TEST_F(TimeZoneTest, ZoneIsSharedSafelyBetweenThreads) {
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int k = 0; k < 4; ++k)
    threads.emplace_back([k, &wrong] {
      for (int i = 0; i < 2000; ++i) {
        SetProcessTimeZone(k % 2 == 0 ? 3 : 5);
        std::tm tm{};
        ProcessLocalTime(0, tm);
        if (tm.tm_hour != 3 && tm.tm_hour != 5) ++wrong;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong, 0);
}

TEST(Time, CalendarTextIsFixedEnglishWithZeroPaddedDay) {
  std::tm tm{};
  const std::time_t t = 1165233600;  // 2006-12-04 12:00:00 UTC
  gmtime_r(&t, &tm);
  EXPECT_EQ(CalendarTimeText(tm), "Mon Dec 04 12:00:00 2006");
  EXPECT_EQ(CalendarTimeText(tm).size(), 24u);
}
