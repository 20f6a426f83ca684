// Time value and span: seconds since 1970-01-01 00:00:00 UTC. Local-time
// members follow the process-wide conversion zone (platform/ProcessTimeZone.h)
// when one is set, the system's zone otherwise.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

class CTimeSpan {
 public:
  CTimeSpan() = default;
  explicit CTimeSpan(std::int64_t seconds) : m_span(seconds) {}
  CTimeSpan(long days, int hours, int minutes, int seconds)
      : m_span(((static_cast<std::int64_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}
  std::int64_t GetTotalSeconds() const { return m_span; }
  std::int64_t GetTotalMinutes() const { return m_span / 60; }
  std::int64_t GetTotalHours() const { return m_span / 3600; }
  std::int64_t GetDays() const { return m_span / 86400; }
  int GetHours() const { return static_cast<int>(m_span / 3600 % 24); }
  int GetMinutes() const { return static_cast<int>(m_span / 60 % 60); }
  int GetSeconds() const { return static_cast<int>(m_span % 60); }
  CTimeSpan operator+(const CTimeSpan& o) const { return CTimeSpan(m_span + o.m_span); }
  CTimeSpan operator-(const CTimeSpan& o) const { return CTimeSpan(m_span - o.m_span); }
  CTimeSpan operator-() const { return CTimeSpan(-m_span); }
  auto operator<=>(const CTimeSpan& o) const = default;

 private:
  std::int64_t m_span = 0;
};

class CTime {
 public:
  CTime() = default;
  CTime(std::time_t t) : m_time(t) {}
  // Local calendar time; out-of-range fields are normalised (month 13 is
  // January of the next year). An impossible time gives -1.
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);
  static CTime GetCurrentTime() { return CTime(std::time(nullptr)); }
  std::time_t GetTime() const { return m_time; }

  // Calendar forms; nullptr when the time has none.
  std::tm* GetGmtTm(std::tm* out) const;
  std::tm* GetLocalTm(std::tm* out) const;

  // Local calendar fields; 0 when the time has no calendar form.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday

  // strftime formats of local and UTC time; empty without a calendar form.
  std::string Format(const char* format) const;
  std::string FormatGmt(const char* format) const;

  CTimeSpan operator-(const CTime& other) const { return CTimeSpan(m_time - other.m_time); }
  CTime operator+(const CTimeSpan& span) const { return CTime(m_time + span.GetTotalSeconds()); }
  CTime operator-(const CTimeSpan& span) const { return CTime(m_time - span.GetTotalSeconds()); }
  CTime& operator+=(const CTimeSpan& span) { return *this = *this + span; }
  CTime& operator-=(const CTimeSpan& span) { return *this = *this - span; }
  bool operator==(const CTime& other) const = default;
  auto operator<=>(const CTime& other) const = default;

 private:
  int LocalField(int std::tm::*field, int bias) const;

  std::time_t m_time = 0;
};

// The fixed English calendar text "Www Mmm dd hh:mm:ss yyyy" (24 characters,
// day zero-padded), without a line end.
std::string CalendarTimeText(const std::tm& tm);
