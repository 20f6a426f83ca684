// Shared helpers of the photo tests.
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ExifBuilder.h"
#include "photo/PageTrackLogPhoto.h"
#include "platform/ProcessTimeZone.h"

namespace phototest {

// Sets the process time zone to UTC + hours as the photo job does, for
// the life of the object.
class PhotoZone {
 public:
  explicit PhotoZone(int hours) { SetProcessTimeZone(hours); }
  ~PhotoZone() { ClearProcessTimeZone(); }
};

inline void WriteFile(const std::filesystem::path& path, const exiftest::Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline exiftest::Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return exiftest::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> ResultLines(const CPageTrackLogPhoto& page) {
  std::vector<std::string> lines(static_cast<std::size_t>(page.m_listResult.GetCount()));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    page.m_listResult.GetText(static_cast<int>(i), lines[i]);
  }
  return lines;
}

// UTC seconds of a calendar moment.
inline std::int32_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day;
  tm.tm_hour = hour, tm.tm_min = minute, tm.tm_sec = second;
  return static_cast<std::int32_t>(timegm(&tm));
}

}  // namespace phototest
