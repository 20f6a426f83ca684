#include "common/Tool.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <mutex>

namespace {

constexpr int kDay = 86400;

constexpr std::array<std::array<int, 13>, 4> BuildMonthStarts() {
  constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  std::array<std::array<int, 13>, 4> table{};
  int s = 0;
  for (int y = 0; y < 4; ++y) {
    for (int m = 0; m < 12; ++m) {
      table[y][m] = s;
      s += (days[m] + (y == 0 && m == 1 ? 1 : 0)) * kDay;
    }
    table[y][12] = s;
  }
  return table;
}

constexpr auto kMonthStarts = BuildMonthStarts();
static_assert(kMonthStarts[0][3] == 7862400 && kMonthStarts[3][12] == kFourYearCycle);

// The record FormatTime converts into, shared by all callers as it always
// was; the lock keeps two threads from filling it at once.
std::mutex g_formatMutex;
DateRecord g_formatRecord{};

// Copies at most size - 1 characters and the terminating zero.
void CopyCut(char* text, const char* full, int size) {
  int i = 0;
  for (; i < size - 1 && full[i]; ++i) text[i] = full[i];
  text[i] = '\0';
}

}  // namespace

const int MonthStartTable[4][13] = {
#define ROW(y)                                                                            \
  {                                                                                       \
    kMonthStarts[y][0], kMonthStarts[y][1], kMonthStarts[y][2], kMonthStarts[y][3],       \
        kMonthStarts[y][4], kMonthStarts[y][5], kMonthStarts[y][6], kMonthStarts[y][7],   \
        kMonthStarts[y][8], kMonthStarts[y][9], kMonthStarts[y][10], kMonthStarts[y][11], \
        kMonthStarts[y][12]                                                               \
  }
    ROW(0), ROW(1), ROW(2), ROW(3)
#undef ROW
};

void CTool::DateToTime(const DateRecord& date, int& time) const {
  if (date.day > 31 || date.day == 0 || date.month == 0 || date.month > 12) return;
  std::int64_t t = static_cast<std::int64_t>(date.year / 4) * kFourYearCycle +
                   MonthStartTable[date.year % 4][date.month - 1] +
                   static_cast<std::int64_t>(date.day - 1) * kDay + date.hour * 3600 +
                   date.minute * 60 + date.second + kTime2000;
  // Years from 2038 on do not fit the 32-bit time; such a record is refused
  // rather than wrapped into a time before 1970.
  if (t > INT32_MAX) return;
  time = static_cast<int>(t);
}

void CTool::TimeToDate(int time, DateRecord& date) const {
  std::int64_t d = static_cast<std::int64_t>(time) - kTime2000;
  if (d < 1000) {
    date = DateRecord{};
    return;
  }
  int s = static_cast<int>(d % kFourYearCycle);
  int y = 0, m = 0;
  for (y = 0; y < 4; ++y) {
    for (m = 0; m < 12; ++m)
      if (MonthStartTable[y][m] <= s && s < MonthStartTable[y][m + 1]) break;
    if (m < 12) break;
  }
  date.year = static_cast<BYTE>(y + (d / kFourYearCycle) * 4);
  date.month = static_cast<BYTE>(m + 1);
  s -= MonthStartTable[y][m];
  date.day = static_cast<BYTE>(s / kDay + 1);
  s %= kDay;
  date.hour = static_cast<BYTE>(s / 3600);
  date.minute = static_cast<BYTE>((s % 3600) / 60);
  date.second = static_cast<BYTE>(s % 60);
}

void CTool::FormatDate(const DateRecord& date, char* text) const {
  // Bytes out of range (a damaged record) would give longer numbers; the
  // text is cut at the buffer size instead of running past it.
  char full[32];
  std::snprintf(full, sizeof full, "%02d%02d20%02d %02d%02d%02d", date.month, date.day, date.year,
                date.hour, date.minute, date.second);
  CopyCut(text, full, kDateTextSize);
}

void CTool::FormatTime(int time, char* text) const {
  std::lock_guard lock(g_formatMutex);
  TimeToDate(time, g_formatRecord);
  FormatDate(g_formatRecord, text);
}

void CTool::FormatTimeUtc(int time, char* text) const {
  DateRecord date{};
  TimeToDate(time, date);
  char full[32];
  std::snprintf(full, sizeof full, "%02d%02d%02d%02d%02d%02dZ", date.year, date.month, date.day,
                date.hour, date.minute, date.second);
  CopyCut(text, full, kUtcTextSize);
}

int CTool::ParseDateText(const char* text) const {
  int time = 0;
  if (!text) return time;
  auto pair = [text](int at, BYTE& out) {
    char hi = text[at], lo = hi ? text[at + 1] : '\0';
    if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return false;
    out = static_cast<BYTE>((hi - '0') * 10 + (lo - '0'));
    return true;
  };
  // Each pair is read only after the characters before it were seen, so a
  // short text is never read past its end.
  DateRecord date{};
  if (pair(0, date.month) && pair(2, date.day) && text[4] && text[5] && pair(6, date.year) &&
      text[8] && pair(9, date.hour) && pair(11, date.minute) && pair(13, date.second))
    DateToTime(date, time);
  return time;
}
