// Geotagged copies read back by exiftool, an independent EXIF reader: the
// position, altitude and UTC time come back as written, its validation
// finds nothing to warn about, every other tag reads as in the photo, and
// the image data after the EXIF segment is the photo's own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PhotoTestSupport.h"
#include "support/test_support.h"

using exiftest::BuildJpeg;
using exiftest::Bytes;
using exiftest::JpegLayout;
namespace fs = std::filesystem;

namespace {

using Tags = std::map<std::string, std::string>;

// Output and exit status of a shell command.
struct CommandRun {
  std::string out;
  int status = -1;
};

CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  run.status = pclose(pipe);
  return run;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool ExifToolInstalled() { return RunCommand("exiftool -ver 2>/dev/null").status == 0; }

// exiftool's -j output: one object per file, one "key": value per line.
std::vector<Tags> ParseJson(const std::string& json) {
  std::vector<Tags> files;
  std::size_t pos = 0;
  while (pos < json.size()) {
    std::size_t end = json.find('\n', pos);
    if (end == std::string::npos) end = json.size();
    std::string line = json.substr(pos, end - pos);
    pos = end + 1;
    if (line.find('{') != std::string::npos && line.find('"') == std::string::npos) {
      files.emplace_back();
      continue;
    }
    const std::size_t keyBegin = line.find('"');
    const std::size_t keyEnd = line.find("\": ", keyBegin + 1);
    if (files.empty() || keyBegin == std::string::npos || keyEnd == std::string::npos) continue;
    std::string value = line.substr(keyEnd + 3);
    if (!value.empty() && value.back() == ',') value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      std::string text;
      for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) ++i;
        text += value[i];
      }
      value = text;
    }
    files.back()[line.substr(keyBegin + 1, keyEnd - keyBegin - 1)] = value;
  }
  return files;
}

// The segment structure before the EXIF APP1 and the bytes after it.
struct Layout {
  Bytes before, after;
  std::size_t segmentLength = 0;
};

std::optional<Layout> SplitAtExif(const Bytes& file) {
  std::size_t pos = 2;
  while (pos + 10 <= file.size() && file[pos] == 0xFF) {
    const std::size_t length = std::size_t{file[pos + 2]} << 8 | file[pos + 3];
    const std::size_t next = pos + 2 + length;
    if (next > file.size()) return std::nullopt;
    if (file[pos + 1] == 0xE1 && std::equal(file.begin() + pos + 4, file.begin() + pos + 10,
                                            Bytes{'E', 'x', 'i', 'f', 0, 0}.begin())) {
      return Layout{Bytes(file.begin(), file.begin() + pos), Bytes(file.begin() + next, file.end()),
                    length};
    }
    pos = next;
  }
  return std::nullopt;
}

double Number(const Tags& tags, const std::string& key) {
  const auto it = tags.find(key);
  return it == tags.end() ? std::nan("") : std::strtod(it->second.c_str(), nullptr);
}

std::string Text(const Tags& tags, const std::string& key) {
  const auto it = tags.find(key);
  return it == tags.end() ? "(missing)" : it->second;
}

// Tags that legitimately differ between a photo and its copy: the file's
// own properties, the added GPS data and the moved thumbnail's offset.
bool ChangedByCopy(const std::string& key) {
  return key == "SourceFile" || key.starts_with("System:") || key.starts_with("GPS:") ||
         key.starts_with("Composite:GPS") || key == "IFD1:ThumbnailOffset" ||
         key == "ExifTool:ExifToolVersion";
}

// The GPS tags read back hold the point: references for the signs, the
// angles to the written hundredth of a second, the altitude to the
// centimetre and the UTC date and time.
void ExpectGpsAsWritten(const Tags& gps, const TrackPoint& p) {
  const std::string latRef = Text(gps, "GPS:GPSLatitudeRef");
  const std::string lonRef = Text(gps, "GPS:GPSLongitudeRef");
  EXPECT_EQ(latRef, p.fLatitude < 0 ? "S" : "N");
  EXPECT_EQ(lonRef, p.fLongitude < 0 ? "W" : "E");
  EXPECT_EQ(Text(gps, "GPS:GPSVersionID"), "2 2 0 0");
  // Written as whole degrees, whole minutes and truncated hundredths of seconds.
  const double second = 1.0 / 3600;
  const double lat = Number(gps, "GPS:GPSLatitude") * (latRef == "S" ? -1 : 1);
  const double lon = Number(gps, "GPS:GPSLongitude") * (lonRef == "W" ? -1 : 1);
  EXPECT_LE(std::fabs(lat), std::fabs(double{p.fLatitude}) + 1e-9);
  EXPECT_NEAR(lat, p.fLatitude, 0.01 * second);
  EXPECT_LE(std::fabs(lon), std::fabs(double{p.fLongitude}) + 1e-9);
  EXPECT_NEAR(lon, p.fLongitude, 0.01 * second);
  // Altitude in centimetres, below sea level through the reference.
  const std::string altRef = Text(gps, "GPS:GPSAltitudeRef");
  EXPECT_EQ(altRef, p.fAltitude < 0 ? "1" : "0");
  const double alt = Number(gps, "GPS:GPSAltitude") * (altRef == "1" ? -1 : 1);
  EXPECT_NEAR(alt, p.fAltitude, 0.005 + 1e-4);
  const std::time_t t = p.nTime;
  std::tm utc{};
  gmtime_r(&t, &utc);
  char date[32], time[32];
  std::strftime(date, sizeof date, "%Y:%m:%d", &utc);
  std::strftime(time, sizeof time, "%H:%M:%S", &utc);
  EXPECT_EQ(Text(gps, "GPS:GPSDateStamp"), date);
  EXPECT_EQ(Text(gps, "GPS:GPSTimeStamp"), time);
}

struct Case {
  std::string name;
  JpegLayout layout;
  TrackPoint point;
};

JpegLayout Sony() {
  JpegLayout layout;
  layout.bigEndian = true;
  layout.make = "SONY";
  return layout;
}

std::vector<Case> Cases() {
  using phototest::Utc;
  std::vector<Case> cases;
  JpegLayout canon;
  cases.push_back({"canon.jpg", canon, {-121.25f, 24.5f, 100.125f, Utc(2008, 5, 1, 0, 0, 7)}});
  JpegLayout sonyApp0 = Sony();
  sonyApp0.app0 = true;
  cases.push_back(
      {"sony_app0.JPG", sonyApp0, {151.2153f, -33.8568f, 58.0f, Utc(2010, 12, 31, 23, 59, 59)}});
  JpegLayout canonApp0 = canon;
  canonApp0.app0 = true;
  canonApp0.printIm = true;
  cases.push_back(
      {"canon_app0.jpg", canonApp0, {-43.2105f, -22.9519f, -12.34f, Utc(1999, 2, 28, 12, 34, 56)}});
  JpegLayout sonyMoved = Sony();
  sonyMoved.ifd0Offset = 20;
  sonyMoved.foreignApp1 = true;
  cases.push_back({"sony_zero.jpg", sonyMoved, {0.0f, 0.0f, 0.0f, 0}});
  JpegLayout bare = canon;
  bare.makerNote = false;
  bare.interop = false;
  cases.push_back({"canon_bare.jpg", bare, {179.999f, 89.999f, 8848.86f, INT32_MAX}});
  JpegLayout sonyBare = Sony();
  sonyBare.interop = false;
  cases.push_back({"sony_bare.jpg", sonyBare, {-180.0f, -90.0f, -0.004f, -1}});
  cases.push_back({"canon_small.jpg", canon, {-0.5f, 0.0125f, 0.005f, Utc(2024, 2, 29, 6, 7, 8)}});
  // An EXIF segment at the size limit: 65,534 bytes in the copy, the
  // largest even size (the fixture's structures keep even offsets).
  const std::size_t plain = SplitAtExif(BuildJpeg(canon))->segmentLength;
  JpegLayout big = canon;
  big.exifPadding = 65534 - 218 - plain - 12;
  cases.push_back({"canon_big.jpg", big, {-98.765432f, 12.345678f, 1234.5f, 1234567890}});
  return cases;
}

// Every test needs exiftool; CI installs it, so there it must be present.
class ExifToolCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ExifToolInstalled()) {
      if (std::getenv("CI") != nullptr)
        FAIL() << "exiftool is missing: scripts/install-deps installs it";
      GTEST_SKIP()
          << "exiftool not installed (libimage-exiftool-perl; scripts/install-deps installs it)";
    }
  }
};

TEST_F(ExifToolCheckTest, CopiesReadBackAsWrittenWithoutWarnings) {
  testsupport::TempDir dir;
  phototest::PhotoZone zone(8);  // the UTC time is written whatever the photo zone
  CPageTrackLogPhoto page;
  const std::vector<Case> cases = Cases();
  std::vector<fs::path> photos, copies;
  std::string files;
  for (const Case& c : cases) {
    const fs::path photo = dir.path() / c.name;
    const Bytes original = BuildJpeg(c.layout);
    phototest::WriteFile(photo, original);
    int flag = -1;
    std::string message;
    page.WriteGpsExif(photo.string(), c.point, flag, message);
    ASSERT_EQ(flag, 0) << c.name << ": " << message;
    const fs::path copy = dir.path() / "GPS" / (c.name.substr(0, c.name.size() - 4) + "_GPS.jpg");
    ASSERT_TRUE(fs::exists(copy)) << c.name;
    ASSERT_EQ(phototest::ReadFile(photo), original) << c.name;
    photos.push_back(photo), copies.push_back(copy);
    files += " " + Quote(photo.string()) + " " + Quote(copy.string());
  }

  // One exiftool run reads every photo and copy: all tags, numbers as
  // stored, binary data such as the thumbnail as base64, and its checks.
  const CommandRun run = RunCommand(
      "exiftool -j -a -G1 -n -b -validate -warning -error -U -all:all" + files + " 2>/dev/null");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::vector<Tags> read = ParseJson(run.out);
  ASSERT_EQ(read.size(), 2 * cases.size()) << run.out;

  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const Tags& before = read[2 * i];
    const Tags& after = read[2 * i + 1];
    ASSERT_EQ(Text(before, "SourceFile"), photos[i].string());
    ASSERT_EQ(Text(after, "SourceFile"), copies[i].string());
    // The fixture itself is clean, so any warning comes from the copy.
    EXPECT_EQ(Text(before, "ExifTool:Validate"), "0 0 0") << Text(before, "ExifTool:Warning");
    if (Text(after, "ExifTool:Validate") != "0 0 0" || after.contains("ExifTool:Warning") ||
        after.contains("ExifTool:Error")) {
      ADD_FAILURE() << RunCommand("exiftool -validate -warning -error -a -G1 " +
                                  Quote(copies[i].string()) + " 2>&1")
                           .out;
    }

    ExpectGpsAsWritten(after, cases[i].point);
    EXPECT_EQ(Text(after, "Composite:GPSDateTime"),
              Text(after, "GPS:GPSDateStamp") + " " + Text(after, "GPS:GPSTimeStamp") + "Z");

    // Everything else reads exactly as in the photo: maker note, Interop
    // IFD, thumbnail bytes and the JFIF segment included.
    for (const auto& [key, value] : before) {
      if (!ChangedByCopy(key)) {
        EXPECT_EQ(Text(after, key), value) << key;
      }
    }
    for (const auto& [key, value] : after) {
      if (!ChangedByCopy(key)) {
        EXPECT_TRUE(before.contains(key)) << "new tag " << key;
      }
    }
    EXPECT_TRUE(before.contains("IFD1:ThumbnailImage"));
    EXPECT_EQ(before.contains("Canon:CanonImageType") || before.contains("Sony:Sony_0x0006"),
              cases[i].layout.makerNote);

    // Segments before the EXIF APP1 and the image data after it are the photo's.
    const auto source = SplitAtExif(phototest::ReadFile(photos[i]));
    const auto copy = SplitAtExif(phototest::ReadFile(copies[i]));
    ASSERT_TRUE(source && copy);
    EXPECT_EQ(copy->before, source->before);
    EXPECT_EQ(copy->after, source->after);
    EXPECT_EQ(copy->after, exiftest::ImageTail());
    EXPECT_EQ(copy->segmentLength, source->segmentLength + 218);
  }
  EXPECT_EQ(SplitAtExif(phototest::ReadFile(copies.back()))->segmentLength, 65534u);
}

TEST_F(ExifToolCheckTest, PositionsNearMinuteBoundariesKeepTheirPrecision) {
  // Angles one float step either side of whole minutes, where truncating
  // to degrees, minutes and hundredths of seconds is easiest to get wrong,
  // and altitudes and times across their ranges (times before 1970 too).
  testsupport::TempDir dir;
  std::mt19937 random(2008);
  const Bytes canon = BuildJpeg(JpegLayout{}), sony = BuildJpeg(Sony());
  std::vector<TrackPoint> points;
  std::string files;
  for (int i = 0; i < 32; ++i) {
    const int sign = i % 4 < 2 ? 1 : -1;
    const float minute = static_cast<float>(std::uniform_int_distribution<int>(0, 89 * 60)(random));
    const float toward = i % 2 ? 1000.0f : -1000.0f;
    TrackPoint p;
    p.fLatitude = sign * std::nextafter(minute / 60, toward);
    p.fLongitude = -sign * std::nextafter(2 * minute / 60, toward);
    p.fAltitude = std::uniform_real_distribution<float>(-500, 9000)(random);
    p.nTime = static_cast<std::int32_t>(random());
    std::vector<BYTE> copy;
    std::string message;
    ASSERT_EQ(BuildGpsExifCopy(i % 2 ? sony : canon, p, copy, message), GpsCopyResult::Written)
        << message;
    const fs::path path = dir.path() / ("p" + std::to_string(i) + ".jpg");
    phototest::WriteFile(path, Bytes(copy.begin(), copy.end()));
    points.push_back(p);
    files += " " + Quote(path.string());
  }
  const CommandRun run =
      RunCommand("exiftool -j -n -G1 -gps:all -validate -warning -error" + files + " 2>/dev/null");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::vector<Tags> read = ParseJson(run.out);
  ASSERT_EQ(read.size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Text(read[i], "ExifTool:Validate"), "0 0 0") << Text(read[i], "ExifTool:Warning");
    ExpectGpsAsWritten(read[i], points[i]);
  }
}

}  // namespace
