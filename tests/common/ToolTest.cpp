#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "common/Tool.h"
#include "platform/ConfigFolder.h"
#include "platform/LastError.h"
#include "support/test_support.h"

namespace {

DateRecord Date(int year, int month, int day, int hour, int minute, int second) {
  return DateRecord{static_cast<BYTE>(year), static_cast<BYTE>(month),  static_cast<BYTE>(day),
                    static_cast<BYTE>(hour), static_cast<BYTE>(minute), static_cast<BYTE>(second)};
}

bool Same(const DateRecord& a, const DateRecord& b) { return std::memcmp(&a, &b, 6) == 0; }

TEST(ToolDates, MonthStartTableRows) {
  EXPECT_EQ(MonthStartTable[0][0], 0);
  EXPECT_EQ(MonthStartTable[0][1], 2678400);
  EXPECT_EQ(MonthStartTable[0][2], 5184000);
  EXPECT_EQ(MonthStartTable[0][3], 7862400);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(MonthStartTable[y][12], MonthStartTable[y + 1][0]);
  EXPECT_EQ(MonthStartTable[1][0], 366 * 86400);
  EXPECT_EQ(MonthStartTable[3][12], kFourYearCycle);
}

TEST(ToolDates, DateToTimeAndBack) {
  CTool tool;
  int time = -1;
  tool.DateToTime(Date(9, 2, 1, 12, 0, 0), time);
  EXPECT_EQ(time, 1233489600);

  int untouched = 42;
  tool.DateToTime(Date(9, 13, 1, 0, 0, 0), untouched);
  tool.DateToTime(Date(9, 0, 1, 0, 0, 0), untouched);
  tool.DateToTime(Date(9, 2, 0, 0, 0, 0), untouched);
  tool.DateToTime(Date(9, 2, 32, 0, 0, 0), untouched);
  EXPECT_EQ(untouched, 42);

  // Day 31 of a 30-day month runs into the next month, as it always has.
  tool.DateToTime(Date(9, 4, 31, 0, 0, 0), time);
  DateRecord back{};
  tool.TimeToDate(time, back);
  EXPECT_TRUE(Same(back, Date(9, 5, 1, 0, 0, 0)));

  // Dates the 32-bit time cannot hold are refused, not wrapped.
  tool.DateToTime(Date(38, 1, 19, 3, 14, 7), time);
  EXPECT_EQ(time, INT32_MAX);
  untouched = 42;
  tool.DateToTime(Date(38, 1, 19, 3, 14, 8), untouched);
  tool.DateToTime(Date(255, 12, 31, 23, 59, 59), untouched);
  EXPECT_EQ(untouched, 42);
}

TEST(ToolDates, TimeToDateEdges) {
  CTool tool;
  DateRecord d = Date(1, 1, 1, 1, 1, 1);
  tool.TimeToDate(kTime2000 + 999, d);
  EXPECT_TRUE(Same(d, DateRecord{}));
  tool.TimeToDate(INT32_MIN, d);  // far before 2000: zeros, no overflow
  EXPECT_TRUE(Same(d, DateRecord{}));
  tool.TimeToDate(kTime2000 + 1000, d);
  EXPECT_TRUE(Same(d, Date(0, 1, 1, 0, 16, 40)));
  tool.TimeToDate(951782400, d);
  EXPECT_TRUE(Same(d, Date(0, 2, 29, 0, 0, 0)));
  tool.TimeToDate(1078012800, d);
  EXPECT_TRUE(Same(d, Date(4, 2, 29, 0, 0, 0)));
  tool.TimeToDate(INT32_MAX, d);
  EXPECT_TRUE(Same(d, Date(38, 1, 19, 3, 14, 7)));

  // Every day boundary of a whole cycle converts back to itself.
  for (int t = kTime2000 + 86400; t < kTime2000 + kFourYearCycle + 2 * 86400; t += 86400 - 1) {
    tool.TimeToDate(t, d);
    int again = 0;
    tool.DateToTime(d, again);
    ASSERT_EQ(again, t);
  }
}

TEST(ToolDates, Texts) {
  CTool tool;
  char text[kDateTextSize];
  tool.FormatTime(1233489600, text);
  EXPECT_STREQ(text, "02012009 120000");
  char utc[kUtcTextSize];
  tool.FormatTimeUtc(1233489600, utc);
  EXPECT_STREQ(utc, "090201120000Z");
  EXPECT_EQ(tool.ParseDateText("02012009 120000"), 1233489600);

  // A damaged record never writes past the text's size.
  char guarded[kDateTextSize + 4];
  std::memset(guarded, '#', sizeof guarded);
  tool.FormatDate(Date(255, 255, 255, 255, 255, 255), guarded);
  EXPECT_EQ(std::strlen(guarded), static_cast<std::size_t>(kDateTextSize - 1));
  EXPECT_EQ(guarded[kDateTextSize], '#');

  // Texts that hold no valid date give 0, short ones are not read past.
  EXPECT_EQ(tool.ParseDateText("1301200 9 120000"), 0);
  EXPECT_EQ(tool.ParseDateText("1301"), 0);
  EXPECT_EQ(tool.ParseDateText("0201200"), 0);
  EXPECT_EQ(tool.ParseDateText("02012009 1200"), 0);
  EXPECT_EQ(tool.ParseDateText("0x012009 120000"), 0);
  EXPECT_EQ(tool.ParseDateText(""), 0);
  EXPECT_EQ(tool.ParseDateText(nullptr), 0);
}

TEST(ToolDates, FormatTimeFromTwoThreads) {
  CTool tool;
  auto worker = [&tool](int base, bool* ok) {
    CTool local;
    for (int i = 0; i < 20000 && *ok; ++i) {
      int t = base + i * 3607;
      char got[kDateTextSize], want[kDateTextSize];
      tool.FormatTime(t, got);
      DateRecord d{};
      local.TimeToDate(t, d);
      local.FormatDate(d, want);
      if (std::strcmp(got, want) != 0) *ok = false;
    }
  };
  bool ok1 = true, ok2 = true;
  std::thread a(worker, 1000000000, &ok1), b(worker, 1300000000, &ok2);
  a.join();
  b.join();
  EXPECT_TRUE(ok1);
  EXPECT_TRUE(ok2);
}

class ToolRegistry : public ::testing::Test {
 protected:
  void SetUp() override { SetConfigFolderForTesting(dir_.path()); }
  void TearDown() override { SetConfigFolderForTesting({}); }
  testsupport::TempDir dir_;
  CTool tool_;
};

TEST_F(ToolRegistry, SplitRegPath) {
  std::string key = "Software\\Vanto\\R710", name;
  tool_.SplitRegPath(key, "R710BTMacAddress", name);
  EXPECT_EQ(key, "Software\\Vanto\\R710");
  EXPECT_EQ(name, "R710BTMacAddress");
  tool_.SplitRegPath(key, "X\\Y\\Z", name);
  EXPECT_EQ(key, "Software\\Vanto\\R710\\X\\Y");
  EXPECT_EQ(name, "Z");
  key = "Base\\";
  tool_.SplitRegPath(key, "A\\B", name);
  EXPECT_EQ(key, "Base\\A");
}

TEST_F(ToolRegistry, StringAndNumberRoundTrips) {
  ASSERT_TRUE(tool_.SetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", "00:1B:C1:02:03:04"));
  std::string text;
  ASSERT_TRUE(tool_.GetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", text));
  EXPECT_EQ(text, "00:1B:C1:02:03:04");

  ASSERT_TRUE(tool_.SetRegDword(HKEY_CURRENT_USER, "Sub\\Deeper\\Count", -5));
  int number = 0;
  ASSERT_TRUE(tool_.GetRegDword(HKEY_CURRENT_USER, "Sub\\Deeper\\Count", number));
  EXPECT_EQ(number, -5);
  // The value sits under the program's key.
  HKEY key = nullptr;
  ASSERT_EQ(
      RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vanto\\R710\\Sub\\Deeper", 0, KEY_READ, &key),
      ERROR_SUCCESS);
  RegCloseKey(key);

  // Section + entry forms, the entry also as a string-table id (300).
  ASSERT_TRUE(tool_.SetRegString(HKEY_CURRENT_USER, "Sec", 300u, "by id"));
  ASSERT_TRUE(tool_.GetRegString(HKEY_CURRENT_USER, "Sec", "VANTO Navrel", text));
  EXPECT_EQ(text, "by id");
  ASSERT_TRUE(tool_.SetRegDword(HKEY_CURRENT_USER, "Sec", "N", 7));
  ASSERT_TRUE(tool_.GetRegDword(HKEY_CURRENT_USER, "Sec", "N", number));
  EXPECT_EQ(number, 7);
}

TEST_F(ToolRegistry, FailuresLeaveTheCodeAsLastError) {
  std::string text = "kept";
  SetLastError(0);
  EXPECT_FALSE(tool_.GetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));  // no key yet
  ASSERT_TRUE(tool_.SetRegString(HKEY_CURRENT_USER, "Other", "x"));
  EXPECT_FALSE(tool_.GetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));  // no value
  EXPECT_EQ(text, "kept");

  int number = 0;
  ASSERT_TRUE(tool_.SetRegString(HKEY_CURRENT_USER, "Text", "abc"));
  EXPECT_FALSE(tool_.GetRegDword(HKEY_CURRENT_USER, "Text", number));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  // Too long for the number's buffer: that failure comes first.
  ASSERT_TRUE(tool_.SetRegString(HKEY_CURRENT_USER, "Long", "a long text, longer than four"));
  EXPECT_FALSE(tool_.GetRegDword(HKEY_CURRENT_USER, "Long", number));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
  ASSERT_TRUE(tool_.SetRegDword(HKEY_CURRENT_USER, "Number", 1));
  EXPECT_FALSE(tool_.GetRegString(HKEY_CURRENT_USER, "Number", text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

  ASSERT_TRUE(tool_.SetRegString(HKEY_CURRENT_USER, "Huge", std::string(300, 'h')));
  EXPECT_FALSE(tool_.GetRegString(HKEY_CURRENT_USER, "Huge", text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));

  // A two-byte number or a text stored without its zero (written by other
  // means) is read safely.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vanto\\R710", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  const BYTE two[2] = {1, 2};
  RegSetValueEx(key, "Short", 0, REG_DWORD, two, 2);
  RegSetValueEx(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
  RegCloseKey(key);
  EXPECT_FALSE(tool_.GetRegDword(HKEY_CURRENT_USER, "Short", number));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  ASSERT_TRUE(tool_.GetRegString(HKEY_CURRENT_USER, "Bare", text));
  EXPECT_EQ(text, "abc");
}

}  // namespace
