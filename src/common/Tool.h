// Conversions between the 6-byte date record and seconds since 1970, the
// date texts of exported files, and string and number values under the
// program's registry key.
#pragma once

#include <string>

#include "platform/Registry.h"
#include "platform/WinTypes.h"

// A date and time in UTC, as the logger and the program's files hold it.
struct DateRecord {
  BYTE year;    // year - 2000
  BYTE month;   // 1..12
  BYTE day;     // 1..31
  BYTE hour;    // 0..23
  BYTE minute;  // 0..59
  BYTE second;  // 0..59
};
static_assert(sizeof(DateRecord) == 6);

// Seconds from the start of a four-year cycle (2000 + 4k, a leap year first)
// to the first day of each month of year y of the cycle; entry 12 is the
// start of the next year.
extern const int MonthStartTable[4][13];

constexpr int kTime2000 = 946684800;       // 2000-01-01 00:00:00 UTC
constexpr int kFourYearCycle = 126230400;  // 1461 days

// Buffer sizes of the date texts, terminating zero included.
constexpr int kDateTextSize = 16;  // "MMDD20YY hhmmss"
constexpr int kUtcTextSize = 14;   // "YYMMDDhhmmssZ"

class CTool {
 public:
  CTool() = default;
  virtual ~CTool() = default;

  // Writes time; leaves it unchanged when the record is not a valid date or
  // lies beyond what a 32-bit time holds.
  void DateToTime(const DateRecord& date, int& time) const;
  // Times before 2000-01-01 00:16:40 give an all-zero record.
  void TimeToDate(int time, DateRecord& date) const;

  // "MMDD20YY hhmmss" into text (kDateTextSize bytes).
  void FormatDate(const DateRecord& date, char* text) const;
  // The time as FormatDate gives it; safe to call from several threads.
  void FormatTime(int time, char* text) const;
  // "YYMMDDhhmmssZ" into text (kUtcTextSize bytes).
  void FormatTimeUtc(int time, char* text) const;
  // Reads a text in the FormatDate layout; 0 when it does not hold a valid
  // date.
  int ParseDateText(const char* text) const;

  // Values under root\Software\Vanto\R710; the last part of path is the
  // value name, the parts before it subkeys. FALSE with the error code as
  // the thread's last error on failure.
  BOOL GetRegString(HKEY root, const std::string& path, std::string& value) const;
  BOOL SetRegString(HKEY root, const std::string& path, const std::string& value) const;
  BOOL GetRegDword(HKEY root, const std::string& path, int& value) const;
  BOOL SetRegDword(HKEY root, const std::string& path, int value) const;

  // The same with path = section + "\" + entry, the entry given as a text or
  // as a string-table id.
  BOOL GetRegString(HKEY root, const std::string& section, const std::string& entry,
                    std::string& value) const;
  BOOL GetRegString(HKEY root, const std::string& section, UINT entryId, std::string& value) const;
  BOOL SetRegString(HKEY root, const std::string& section, const std::string& entry,
                    const std::string& value) const;
  BOOL SetRegString(HKEY root, const std::string& section, UINT entryId,
                    const std::string& value) const;
  BOOL GetRegDword(HKEY root, const std::string& section, const std::string& entry,
                   int& value) const;
  BOOL GetRegDword(HKEY root, const std::string& section, UINT entryId, int& value) const;
  BOOL SetRegDword(HKEY root, const std::string& section, const std::string& entry,
                   int value) const;
  BOOL SetRegDword(HKEY root, const std::string& section, UINT entryId, int value) const;

  // Splits path at its last backslash: the part before it is appended to
  // key (with a backslash between), the part after it is the value name.
  void SplitRegPath(std::string& key, const std::string& path, std::string& valueName) const;
};
