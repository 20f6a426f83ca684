// Geotagged copies: content read back, offsets, refusals and cleanup.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "PhotoTestSupport.h"
#include "support/test_support.h"

using exiftest::BuildJpeg;
using exiftest::Bytes;
using exiftest::FieldU32;
using exiftest::FindField;
using exiftest::JpegLayout;
using exiftest::ParsedExif;
using exiftest::ParseJpeg;
namespace fs = std::filesystem;

namespace {

JpegLayout Sony() {
  JpegLayout layout;
  layout.bigEndian = true;
  layout.make = "SONY";
  return layout;
}

class GpsWriterTest : public ::testing::Test {
 protected:
  struct Outcome {
    int flag;
    std::string message;
    fs::path copy;
  };
  Outcome Write(const std::string& name, const Bytes& photo, const TrackPoint& point) {
    const fs::path path = dir.path() / name;
    phototest::WriteFile(path, photo);
    Outcome o{-1, "", dir.path() / "GPS" / (name.substr(0, name.size() - 4) + "_GPS.jpg")};
    page.WriteGpsExif(path.string(), point, o.flag, o.message);
    EXPECT_EQ(phototest::ReadFile(path), photo) << "the photo itself must never change";
    return o;
  }
  // The copy holds every field of the source unchanged, plus the GPS IFD.
  void ExpectFaithfulCopy(const Bytes& source, const Bytes& copy, bool sony) {
    const ParsedExif before = ParseJpeg(source, sony), after = ParseJpeg(copy, sony);
    EXPECT_TRUE(before.problems.empty());
    EXPECT_EQ(after.problems, std::vector<std::string>{});
    EXPECT_EQ(after.bigEndian, before.bigEndian);
    EXPECT_EQ(after.segmentLength, before.segmentLength + 218);
    EXPECT_EQ(after.tail, before.tail);
    EXPECT_EQ(after.tail, exiftest::ImageTail());
    EXPECT_EQ(after.thumbnail, before.thumbnail);
    for (const auto& [name, fields] : before.ifds) {
      std::vector<exiftest::Field> kept = after.ifds.at(name), expected = fields;
      // The maker note's own offsets move; its IFD is compared resolved.
      for (auto* list : {&kept, &expected}) {
        for (exiftest::Field& f : *list) {
          if (f.tag == 37500 && name == "Exif") f.value.clear();
        }
      }
      if (name == "IFD0") {
        ASSERT_EQ(kept.size(), fields.size() + 1);
        std::erase_if(kept, [](const exiftest::Field& f) { return f.tag == 34853; });
      }
      EXPECT_EQ(kept, expected) << name;
    }
    EXPECT_EQ(after.ifdOffsets.at("IFD1"), before.ifdOffsets.at("IFD1") + 218);
    EXPECT_EQ(after.ifdOffsets.at("GPS"), before.ifdOffsets.at("IFD1") + 12);
    EXPECT_EQ(after.ifdOffsets.at("Exif"), before.ifdOffsets.at("Exif") + 12);
  }
  static double Angle(const ParsedExif& exif, std::uint16_t tag) {
    const exiftest::Field* f = FindField(exif, "GPS", tag);
    return FieldU32(exif, *f, 0) / double(FieldU32(exif, *f, 1)) +
           FieldU32(exif, *f, 2) / double(FieldU32(exif, *f, 3)) / 60 +
           FieldU32(exif, *f, 4) / double(FieldU32(exif, *f, 5)) / 3600;
  }

  testsupport::TempDir dir;
  CPageTrackLogPhoto page;
  const TrackPoint point{-121.25f, 24.5f, 100.125f, phototest::Utc(2008, 5, 1, 0, 0, 7)};
};

TEST_F(GpsWriterTest, CanonAndSonyCopiesCarryTheSamePoint) {
  for (const bool sony : {false, true}) {
    JpegLayout layout = sony ? Sony() : JpegLayout{};
    layout.app0 = sony;
    const Bytes photo = BuildJpeg(layout);
    const Outcome o = Write(sony ? "S.JPG" : "c.jpg", photo, point);
    ASSERT_EQ(o.flag, 0) << o.message;
    EXPECT_EQ(page.m_bGpsPhotoAccepted, 1);
    const Bytes copy = phototest::ReadFile(o.copy);
    ExpectFaithfulCopy(photo, copy, sony);
    const ParsedExif exif = ParseJpeg(copy, sony);
    const auto gps = exif.ifds.at("GPS");
    ASSERT_EQ(gps.size(), 9u);
    EXPECT_EQ(gps[0].value, (Bytes{2, 2, 0, 0}));
    EXPECT_EQ(gps[1].value, (Bytes{'N', 0}));
    EXPECT_EQ(gps[3].value, (Bytes{'W', 0}));
    EXPECT_DOUBLE_EQ(Angle(exif, 2), 24.5);
    EXPECT_DOUBLE_EQ(Angle(exif, 4), 121.25);
    EXPECT_EQ(gps[5].value, (Bytes{0}));
    EXPECT_EQ(FieldU32(exif, gps[6], 0), 10013u);  // 10012.5 rounds half up
    EXPECT_EQ(FieldU32(exif, gps[6], 1), 100u);
    EXPECT_EQ(FieldU32(exif, gps[7], 0), 0u);
    EXPECT_EQ(FieldU32(exif, gps[7], 2), 0u);
    EXPECT_EQ(FieldU32(exif, gps[7], 4), 7u);
    EXPECT_EQ(std::string(gps[8].value.begin(), gps[8].value.end()),
              std::string("2008:05:01\0", 11));
    // The date still reads the same from the copy.
    std::int32_t a = 0, b = 0;
    int flag = 0;
    std::string message;
    page.ReadExifDateTime((dir.path() / (sony ? "S.JPG" : "c.jpg")).string(), a, flag, message);
    page.ReadExifDateTime(o.copy.string(), b, flag, message);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(a, b);
  }
}

TEST_F(GpsWriterTest, ZeroAndNegativeValues) {
  const Outcome o = Write("z.jpg", BuildJpeg(JpegLayout{}), {0.0f, 0.0f, -3.5f, 0});
  ASSERT_EQ(o.flag, 0) << o.message;
  const ParsedExif exif = ParseJpeg(phototest::ReadFile(o.copy), false);
  const auto gps = exif.ifds.at("GPS");
  EXPECT_EQ(gps[1].value, (Bytes{'N', 0}));
  EXPECT_EQ(gps[3].value, (Bytes{'E', 0}));
  EXPECT_EQ(Angle(exif, 2), 0.0);
  EXPECT_EQ(gps[5].value, (Bytes{1}));
  EXPECT_EQ(FieldU32(exif, gps[6], 0), 350u);
  EXPECT_EQ(std::string(gps[8].value.begin(), gps[8].value.end()), std::string("1970:01:01\0", 11));
  DmsValue lat, lon;
  CPageTrackLogPhoto::DegreesToDms(-33.75, 179.5, lat, lon);
  EXPECT_EQ(lat.nDegrees, 33);
  EXPECT_EQ(lat.nMinutes, 45);
  EXPECT_EQ(lat.nHundredthSeconds, 0);
  EXPECT_EQ(lon.nDegrees, 179);
  EXPECT_EQ(lon.nMinutes, 30);
  CPageTrackLogPhoto::DegreesToDms(0.0125, std::nan(""), lat, lon);
  EXPECT_EQ(lat.nMinutes, 0);
  EXPECT_NEAR(lat.nHundredthSeconds, 4500, 1);  // 45 s, truncated
  EXPECT_EQ(lon.nDegrees, 0);
}

TEST_F(GpsWriterTest, HighTagsStayInOrderAndRunsReplaceEarlierCopies) {
  JpegLayout layout;
  layout.printIm = true;
  const Bytes photo = BuildJpeg(layout);
  Outcome o = Write("p.jpg", photo, point);
  ASSERT_EQ(o.flag, 0) << o.message;
  phototest::WriteFile(o.copy, Bytes{1, 2, 3});  // an earlier run's copy
  CPageTrackLogPhoto second;
  int flag = -1;
  std::string message;
  second.WriteGpsExif((dir.path() / "p.jpg").string(), point, flag, message);
  EXPECT_EQ(flag, 0);
  ExpectFaithfulCopy(photo, phototest::ReadFile(o.copy), false);
}

TEST_F(GpsWriterTest, InlineMakerNoteKeepsItsBytes) {
  // A maker note of four bytes holds data, not an offset, in its entry.
  Bytes photo = BuildJpeg(JpegLayout{});
  const Bytes makerNoteEntry = {0x7C, 0x92, 7, 0};  // tag 37500, UNDEFINED, little-endian
  const auto at =
      std::search(photo.begin(), photo.end(), makerNoteEntry.begin(), makerNoteEntry.end());
  ASSERT_NE(at, photo.end());
  const Bytes inlineNote = {4, 0, 0, 0, 'A', 'B', 'C', 'D'};  // count 4, then the data
  std::copy(inlineNote.begin(), inlineNote.end(), at + 4);
  std::vector<BYTE> out;
  std::string message;
  ASSERT_EQ(BuildGpsExifCopy(photo, point, out, message), GpsCopyResult::Written) << message;
  const ParsedExif copy = ParseJpeg(Bytes(out.begin(), out.end()), false);
  const exiftest::Field* note = FindField(copy, "Exif", 37500);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->value, (Bytes{'A', 'B', 'C', 'D'}));
}

TEST_F(GpsWriterTest, IfdZeroWhereTheHeaderSays) {
  JpegLayout layout = Sony();
  layout.ifd0Offset = 20;
  layout.foreignApp1 = true;
  const Bytes photo = BuildJpeg(layout);
  const Outcome o = Write("m.jpg", photo, point);
  ASSERT_EQ(o.flag, 0) << o.message;
  ExpectFaithfulCopy(photo, phototest::ReadFile(o.copy), true);
}

TEST_F(GpsWriterTest, UnsupportedMakesLeaveNothingBehind) {
  for (const std::string make : {"FUJIFILM", "CASIO", "CANON", "Sony", "Cano"}) {
    JpegLayout layout;
    layout.make = make;
    page.m_bGpsPhotoAccepted = 1;
    const Outcome o = Write("f.jpg", BuildJpeg(layout), point);
    EXPECT_EQ(o.flag, 0) << make;
    EXPECT_EQ(o.message, "") << make;
    EXPECT_EQ(page.m_bGpsPhotoAccepted, 0) << make;
    EXPECT_FALSE(fs::exists(dir.path() / "GPS")) << make;
  }
  JpegLayout accepted;
  accepted.make = "Canon EOS";
  page.m_bGpsPhotoAccepted = 1;
  EXPECT_EQ(Write("g.jpg", BuildJpeg(accepted), point).flag, 0);
  EXPECT_EQ(page.m_bGpsPhotoAccepted, 1);
}

TEST_F(GpsWriterTest, RefusedLayoutsKeepEarlierCopiesAndOtherFiles) {
  fs::create_directory(dir.path() / "GPS");
  phototest::WriteFile(dir.path() / "GPS" / "r_GPS.jpg", Bytes{9, 9});
  JpegLayout gps, noIfd1, zero, big;
  gps.gps = true;
  noIfd1.ifd1 = false;
  zero.zeroCountIfd0 = true;
  const Bytes plain = BuildJpeg(JpegLayout{});
  // Segment of 65,435 bytes: fits alone, not with the GPS data.
  big.exifPadding = 65535 - 100 - (plain[4] << 8 | plain[5]) - 12;
  for (const JpegLayout& layout : {gps, noIfd1, zero, big}) {
    page.m_bGpsPhotoAccepted = 1;
    const Outcome o = Write("r.jpg", BuildJpeg(layout), point);
    EXPECT_EQ(o.flag, 1);
    EXPECT_FALSE(o.message.empty());
    EXPECT_EQ(page.m_bGpsPhotoAccepted, 0);
    EXPECT_EQ(phototest::ReadFile(o.copy), (Bytes{9, 9}));
  }
  EXPECT_EQ(fs::directory_iterator(dir.path() / "GPS")->path().filename(), "r_GPS.jpg");
}

TEST_F(GpsWriterTest, IfdOneBeforeTheExifDataIsRefused) {
  // IFD0 points on to the Interoperability IFD, which lies before the end
  // of the Exif structures: the GPS data has no place that keeps them whole.
  Bytes photo = BuildJpeg(JpegLayout{});
  const ParsedExif exif = ParseJpeg(photo, false);
  const std::uint32_t interop = exif.ifdOffsets.at("Interop");
  const std::size_t next = 12 + 8 + 2 + 12 * exif.ifds.at("IFD0").size();
  for (int i = 0; i < 4; ++i) photo[next + i] = static_cast<std::uint8_t>(interop >> (8 * i));
  std::vector<BYTE> out;
  std::string message;
  EXPECT_EQ(BuildGpsExifCopy(photo, point, out, message), GpsCopyResult::UnsupportedLayout);
  EXPECT_NE(message.find("order"), std::string::npos);
}

TEST_F(GpsWriterTest, DataAcrossTheGpsPlaceIsRefused) {
  // The Model text starts two bytes before IFD1, where the GPS data goes.
  Bytes photo = BuildJpeg(JpegLayout{});
  const std::uint32_t ifd1 = ParseJpeg(photo, false).ifdOffsets.at("IFD1");
  const Bytes modelEntry = {0x10, 0x01, 2, 0, 8, 0, 0, 0};  // tag 272, ASCII, count 8
  const auto at = std::search(photo.begin(), photo.end(), modelEntry.begin(), modelEntry.end());
  ASSERT_NE(at, photo.end());
  for (int i = 0; i < 4; ++i) at[8 + i] = static_cast<std::uint8_t>((ifd1 - 2) >> (8 * i));
  const Outcome o = Write("m.jpg", photo, point);
  EXPECT_EQ(o.flag, 1);
  EXPECT_EQ(page.m_bGpsPhotoAccepted, 0) << "the user is told the photo got no GPS data";
  EXPECT_FALSE(fs::exists(o.copy));
}

TEST_F(GpsWriterTest, FormatErrorsAndUnreadablePhotos) {
  JpegLayout noExif;
  noExif.exifPointer = false;
  Outcome o = Write("n.jpg", BuildJpeg(noExif), point);
  EXPECT_EQ(o.flag, 1);
  EXPECT_EQ(o.message, "No found photo taken date time.");
  Bytes notJpeg(100, 0x41);
  o = Write("x.jpg", notJpeg, point);
  EXPECT_EQ(o.flag, 1);
  EXPECT_EQ(o.message, "Not EXIF format.");
  EXPECT_FALSE(fs::exists(dir.path() / "GPS"));
  int flag = 0;
  std::string message;
  page.WriteGpsExif((dir.path() / "none.jpg").string(), point, flag, message);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(page.m_bGpsPhotoAccepted, 1);
  const TrackPoint nowhere{std::nanf(""), 10, 0, 0};
  o = Write("c.jpg", BuildJpeg(JpegLayout{}), nowhere);
  EXPECT_EQ(o.flag, 1);
  EXPECT_FALSE(fs::exists(o.copy));
}

TEST_F(GpsWriterTest, LinksAtTemporaryNamesAreNeverWrittenThrough) {
  Bytes photo = BuildJpeg(JpegLayout{});
  photo.insert(photo.end() - 2, 600 * 1024, 0x5A);  // more than is read at once
  const fs::path path = dir.path() / "p.jpg", other = dir.path() / "other.jpg";
  phototest::WriteFile(path, photo);
  phototest::WriteFile(other, Bytes(10, 1));
  fs::create_directory(dir.path() / "GPS");
  const std::string copy = (dir.path() / "GPS" / "p_GPS.jpg").string();
  const std::string mine = copy + ".tmp." + std::to_string(getpid()) + ".";
  fs::create_symlink(path, copy + ".part");
  fs::create_hard_link(path, mine + "0");
  fs::create_symlink(path, mine + "1");
  fs::create_symlink(other, copy);  // the rename replaces the link only
  int flag = -1;
  std::string message;
  page.WriteGpsExif(path.string(), point, flag, message);
  EXPECT_EQ(flag, 0) << message;
  EXPECT_EQ(phototest::ReadFile(path), photo);
  EXPECT_EQ(phototest::ReadFile(other), Bytes(10, 1));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(copy)));
  std::vector<BYTE> expected;
  ASSERT_EQ(BuildGpsExifCopy(photo, point, expected, message), GpsCopyResult::Written);
  EXPECT_EQ(phototest::ReadFile(copy), expected);

  // EXIF data far from the start (after large APP0 segments) is still found.
  Bytes late = photo;
  for (int i = 0; i < 3; ++i) {
    Bytes app0{0xFF, 0xE0, 0xEA, 0x60};  // 60,000 bytes with the length
    app0.resize(60002, 0x20);
    late.insert(late.begin() + 2, app0.begin(), app0.end());
  }
  const Outcome o = Write("late.jpg", late, point);
  EXPECT_EQ(o.flag, 0) << o.message;
  ASSERT_EQ(BuildGpsExifCopy(late, point, expected, message), GpsCopyResult::Written);
  EXPECT_EQ(phototest::ReadFile(o.copy), expected);
}

TEST_F(GpsWriterTest, AJobCleansTheGpsFolderOnlyAtItsFirstCopy) {
  const Bytes photo = BuildJpeg(JpegLayout{});
  phototest::WriteFile(dir.path() / "a.jpg", photo);
  phototest::WriteFile(dir.path() / "b.jpg", photo);
  const fs::path stale = dir.path() / "GPS" / "b_GPS.jpg.tmp.1.0";
  const auto copy = [&](const char* name) {
    int flag = -1;
    std::string message;
    page.WriteGpsExif((dir.path() / name).string(), point, flag, message);
    EXPECT_EQ(flag, 0) << message;
  };

  page.m_gpsCopyBatch.Begin();
  copy("a.jpg");
  // Left by a writer killed after this job cleaned the folder: the job does
  // not list the folder again for the next copy.
  phototest::WriteFile(stale, Bytes(10, 1));
  copy("b.jpg");
  EXPECT_TRUE(fs::exists(stale));
  EXPECT_EQ(page.m_gpsCopyBatch.Finish(), 0);

  // The next job removes it at its first copy.
  page.m_gpsCopyBatch.Begin();
  copy("a.jpg");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(page.m_gpsCopyBatch.Finish(), 0);
  EXPECT_EQ(phototest::ReadFile(dir.path() / "GPS" / "b_GPS.jpg"),
            phototest::ReadFile(dir.path() / "GPS" / "a_GPS.jpg"));
}

TEST_F(GpsWriterTest, NameCollisionInOneRunIsReported) {
  const Bytes first = BuildJpeg(JpegLayout{});
  JpegLayout other;
  other.dateTimeOriginal = "2009:01:01 00:00:00";
  ASSERT_EQ(Write("a.jpg", first, point).flag, 0);
  const Bytes firstCopy = phototest::ReadFile(dir.path() / "GPS" / "a_GPS.jpg");
  const Outcome o = Write("a.JPG", BuildJpeg(other), point);
  EXPECT_EQ(o.flag, 1);
  EXPECT_NE(o.message.find("a.jpg"), std::string::npos);
  EXPECT_EQ(phototest::ReadFile(o.copy), firstCopy);
}

TEST_F(GpsWriterTest, EveryTruncationOrByteFlipIsSafe) {
  // Damaged photos give a refusal or a copy whose structure still reads
  // cleanly; never a crash or a copy with broken offsets.
  const Bytes good = BuildJpeg(Sony());
  const std::size_t segmentEnd = good.size() - exiftest::ImageTail().size();
  for (std::size_t i = 2; i < segmentEnd; ++i) {
    for (const std::uint8_t flip : {0x01, 0x80, 0xFF}) {
      Bytes bad = good;
      bad[i] ^= flip;
      std::vector<BYTE> out;
      std::string message;
      if (BuildGpsExifCopy(bad, point, out, message) == GpsCopyResult::Written) {
        EXPECT_EQ(out.size(), bad.size() + 218);
        EXPECT_EQ(Bytes(out.end() - 320, out.end()), exiftest::ImageTail()) << i;
      }
    }
  }
  for (std::size_t n = 0; n < segmentEnd; ++n) {
    std::vector<BYTE> out;
    std::string message;
    EXPECT_NE(BuildGpsExifCopy(std::span(good.data(), n), point, out, message),
              GpsCopyResult::Written);
  }
}

}  // namespace
