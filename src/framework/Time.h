// Time value and span: seconds since 1970-01-01 00:00:00 UTC.
// (Minimal form; the formats work extends it with the calendar members.)
#pragma once

#include <cstdint>
#include <ctime>

class CTimeSpan {
 public:
  CTimeSpan() = default;
  explicit CTimeSpan(std::int64_t seconds) : m_span(seconds) {}
  CTimeSpan(long days, int hours, int minutes, int seconds)
      : m_span(((static_cast<std::int64_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}
  std::int64_t GetTotalSeconds() const { return m_span; }

 private:
  std::int64_t m_span = 0;
};

class CTime {
 public:
  CTime() = default;
  CTime(std::time_t t) : m_time(t) {}
  static CTime GetCurrentTime() { return CTime(std::time(nullptr)); }
  std::time_t GetTime() const { return m_time; }
  CTimeSpan operator-(const CTime& other) const { return CTimeSpan(m_time - other.m_time); }
  CTime operator+(const CTimeSpan& span) const { return CTime(m_time + span.GetTotalSeconds()); }
  bool operator==(const CTime& other) const = default;

 private:
  std::time_t m_time = 0;
};
