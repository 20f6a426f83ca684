// Capture time of photos from their EXIF block, sound and hostile files.
#include <gtest/gtest.h>

#include "PhotoTestSupport.h"
#include "photo/ExifLayout.h"
#include "support/test_support.h"

using exiftest::BuildJpeg;
using exiftest::Bytes;
using exiftest::JpegLayout;
using phototest::Utc;

namespace {

struct DateResult {
  std::int32_t time;
  int flag;
  std::string message;
};

class ExifDateTest : public ::testing::Test {
 protected:
  DateResult Read(const Bytes& bytes) {
    const auto path = dir.path() / "photo.jpg";
    phototest::WriteFile(path, bytes);
    DateResult r{-1, -1, "unset"};
    page.ReadExifDateTime(path.string(), r.time, r.flag, r.message);
    return r;
  }
  DateResult Read(const JpegLayout& layout) { return Read(BuildJpeg(layout)); }

  testsupport::TempDir dir;
  CPageTrackLogPhoto page;
  phototest::PhotoZone zone{8};
};

TEST_F(ExifDateTest, ReadsBothByteOrdersInThePhotoZone) {
  JpegLayout canon;
  JpegLayout sony;
  sony.bigEndian = true;
  sony.make = "SONY";
  const DateResult a = Read(canon), b = Read(sony);
  EXPECT_EQ(a.flag, 0);
  EXPECT_EQ(a.message, "");
  EXPECT_EQ(a.time, Utc(2008, 5, 1, 0, 0, 0));  // 08:00 at UTC+8
  EXPECT_EQ(b.time, a.time);
  EXPECT_EQ(b.flag, 0);
  phototest::PhotoZone west(-5);
  EXPECT_EQ(Read(canon).time, Utc(2008, 5, 1, 13, 0, 0));
}

TEST_F(ExifDateTest, SkipsApp0AndForeignApp1AndFollowsTheHeaderOffset) {
  JpegLayout layout;
  layout.app0 = true;
  layout.foreignApp1 = true;
  EXPECT_EQ(Read(layout).time, Utc(2008, 5, 1, 0, 0, 0));
  JpegLayout moved;
  moved.ifd0Offset = 24;  // IFD0 not right after the header
  EXPECT_EQ(Read(moved).time, Utc(2008, 5, 1, 0, 0, 0));
  JpegLayout zero;
  zero.zeroCountIfd0 = true;
  EXPECT_EQ(Read(zero).time, Utc(2008, 5, 1, 0, 0, 0));
}

TEST_F(ExifDateTest, NormalisesAndRejectsDates) {
  JpegLayout layout;
  layout.dateTimeOriginal = "2008:13:01 10:00:00";
  EXPECT_EQ(Read(layout).time, Utc(2009, 1, 1, 2, 0, 0));
  layout.dateTimeOriginal = "0000:00:00 00:00:00";
  DateResult r = Read(layout);
  EXPECT_EQ(r.flag, 1);
  EXPECT_EQ(r.time, 0);
  EXPECT_EQ(r.message, "Photo taken date time format error.");
  layout.dateTimeOriginal = "2040:01:01 00:00:00";  // past the 32-bit range
  r = Read(layout);
  EXPECT_EQ(r.flag, 1);
  EXPECT_EQ(r.message, "Photo taken date time format error.");
  layout.dateTimeOriginal = "    :  :     :  :  ";
  EXPECT_EQ(Read(layout).flag, 1);
}

TEST_F(ExifDateTest, MissingPointerOrDateIsNotFound) {
  JpegLayout noExif;
  noExif.exifPointer = false;
  JpegLayout noDate;
  noDate.dateTimeOriginal.reset();
  for (const JpegLayout& layout : {noExif, noDate}) {
    const DateResult r = Read(layout);
    EXPECT_EQ(r.flag, 1);
    EXPECT_EQ(r.message, "No found photo taken date time.");
    EXPECT_EQ(r.time, 0);
  }
}

TEST_F(ExifDateTest, UnreadablePhotoIsAParseError) {
  DateResult r{-1, -1, ""};
  page.ReadExifDateTime((dir.path() / "missing.jpg").string(), r.time, r.flag, r.message);
  EXPECT_EQ(r.flag, 1);
  EXPECT_EQ(r.time, 0);
  EXPECT_EQ(r.message, "Cannot open photo file.");
}

TEST_F(ExifDateTest, HostileFilesAreNotExifFormat) {
  const Bytes good = BuildJpeg(JpegLayout{});
  std::vector<Bytes> cases;
  // Every truncation of a good file.
  for (std::size_t n = 0; n < 300; n += 7) cases.emplace_back(good.begin(), good.begin() + n);
  Bytes other = good;
  other[3] = 0xDB;  // a marker other than APP0/APP1
  cases.push_back(other);
  Bytes order = good;
  order[12] = 'X';  // byte order neither II nor MM
  cases.push_back(order);
  Bytes longSegment = good;
  longSegment[4] = 0xFF;  // APP1 length past the end of the file
  cases.push_back(longSegment);
  Bytes zeroLength = good;
  zeroLength[4] = 0, zeroLength[5] = 0;
  cases.push_back(zeroLength);
  Bytes farIfd = good;
  farIfd[16] = 0xF0, farIfd[17] = 0xFF;  // IFD0 offset beyond the segment
  cases.push_back(farIfd);
  Bytes hugeCount = good;
  hugeCount[20] = 0xFF, hugeCount[21] = 0xFF;  // IFD0 entry count beyond the segment
  cases.push_back(hugeCount);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const DateResult r = Read(cases[i]);
    EXPECT_EQ(r.flag, 1) << "case " << i;
    EXPECT_EQ(r.message, kNotExifFormat) << "case " << i;
    EXPECT_EQ(r.time, 0);
  }
}

TEST_F(ExifDateTest, DateOffsetOutsideTheSegmentIsRejected) {
  Bytes file = BuildJpeg(JpegLayout{});
  // Point every DateTimeOriginal entry's offset far away.
  const std::size_t base = 12;
  for (std::size_t i = base; i + 12 < file.size(); ++i) {
    if (file[i] == 0x03 && file[i + 1] == 0x90 && file[i + 2] == 2 && file[i + 3] == 0) {
      file[i + 8] = 0xF0, file[i + 9] = 0xFF, file[i + 10] = 0, file[i + 11] = 0;
    }
  }
  const DateResult r = Read(file);
  EXPECT_EQ(r.flag, 1);
  EXPECT_EQ(r.message, kNotExifFormat);
}

}  // namespace
