#include "framework/Time.h"

#include <cstdio>

#include "platform/ProcessTimeZone.h"

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = dst;
  m_time = ProcessMakeLocalTime(tm);
}

std::tm* CTime::GetGmtTm(std::tm* out) const {
  if (out == nullptr || !ProcessGmtTime(m_time, *out)) return nullptr;
  return out;
}

std::tm* CTime::GetLocalTm(std::tm* out) const {
  if (out == nullptr || !ProcessLocalTime(m_time, *out)) return nullptr;
  return out;
}

int CTime::LocalField(int std::tm::*field, int bias) const {
  std::tm tm{};
  if (GetLocalTm(&tm) == nullptr) return 0;
  return tm.*field + bias;
}

int CTime::GetYear() const { return LocalField(&std::tm::tm_year, 1900); }
int CTime::GetMonth() const { return LocalField(&std::tm::tm_mon, 1); }
int CTime::GetDay() const { return LocalField(&std::tm::tm_mday, 0); }
int CTime::GetHour() const { return LocalField(&std::tm::tm_hour, 0); }
int CTime::GetMinute() const { return LocalField(&std::tm::tm_min, 0); }
int CTime::GetSecond() const { return LocalField(&std::tm::tm_sec, 0); }
int CTime::GetDayOfWeek() const { return LocalField(&std::tm::tm_wday, 1); }

namespace {
std::string FormatTm(const std::tm* tm, const char* format) {
  if (tm == nullptr || format == nullptr || *format == '\0') return {};
  char buffer[512];
  const size_t n = std::strftime(buffer, sizeof buffer, format, tm);
  return std::string(buffer, n);
}
}  // namespace

std::string CTime::Format(const char* format) const {
  std::tm tm{};
  return FormatTm(GetLocalTm(&tm), format);
}

std::string CTime::FormatGmt(const char* format) const {
  std::tm tm{};
  return FormatTm(GetGmtTm(&tm), format);
}

std::string CalendarTimeText(const std::tm& tm) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int wday = tm.tm_wday >= 0 && tm.tm_wday < 7 ? tm.tm_wday : 0;
  const int mon = tm.tm_mon >= 0 && tm.tm_mon < 12 ? tm.tm_mon : 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s %s %02d %02d:%02d:%02d %d", kDays[wday], kMonths[mon],
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900);
  return buffer;
}
