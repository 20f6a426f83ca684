// The photo job: the KML it writes for a small track and EXIF photos, its
// failures, and the Convert button around it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PhotoTestSupport.h"
#include "common/UtilityManager.h"
#include "formats/UnicodeTextFile.h"
#include "framework/Strings.h"
#include "res/common_ids.h"
#include "res/formats_ids.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

using exiftest::BuildJpeg;
using exiftest::JpegLayout;
using phototest::ResultLines;
using phototest::Utc;
namespace fs = std::filesystem;

namespace {

// 2008-05-01 00:00:00 UTC, the first point of the test track.
const std::int32_t kStart = Utc(2008, 5, 1, 0, 0, 0);

class PhotoKmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(page.Create(IDD_PAGE_TRACKLOG_PHOTO, nullptr));
    fs::create_directory(photos);
    g_utilityManager.m_bWriteGpsToPhoto = 0;
    g_utilityManager.m_bHighSpeed = FALSE;
  }
  void TearDown() override {
    g_utilityManager.m_bWriteGpsToPhoto = 0;
    SetResLanguage(ResLanguage::English);
  }

  // A track of points one minute apart from kStart, and a bad record.
  void WriteTrack(int points) {
    std::ofstream out(trl, std::ios::binary);
    for (int i = 0; i < points; ++i) {
      const TrackRecord r =
          TrackRecord::Make(static_cast<std::uint32_t>(kStart + 60 * i),
                            25.0f + 0.001f * static_cast<float>(i % 1000), 121.5f, 12.5f);
      out.write(reinterpret_cast<const char*>(r.bytes), sizeof r.bytes);
      if (i == 0) {
        TrackRecord bad = r;
        bad.bytes[15] ^= 1;
        out.write(reinterpret_cast<const char*>(bad.bytes), sizeof bad.bytes);
      }
    }
  }
  void AddPhoto(const std::string& name, const std::string& date,
                const std::string& make = "Canon") {
    JpegLayout layout;
    layout.dateTimeOriginal = date;
    layout.make = make;
    phototest::WriteFile(photos / name, BuildJpeg(layout));
  }
  // Runs the batch job into kml; true when it succeeded.
  bool Run(int zone, int calibration) {
    page.m_nPhotoZone = zone;
    page.m_nCalibrationSeconds = calibration;
    CUnicodeTextFile file;
    EXPECT_TRUE(file.Open(kml.string(), CFile::modeCreate | CFile::modeWrite | CFile::typeText |
                                            CUnicodeTextFile::modeWriteUnicode));
    return page.CombinePhotos(trl.string(), &file, photos.string()) != FALSE;
  }
  // The file's lines (its texts are ASCII); checks the mark and that every line ends in
  // CR LF.
  std::vector<std::string> Lines() {
    const exiftest::Bytes bytes = phototest::ReadFile(kml);
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(u'\n', start)) != std::u16string::npos; start = at + 1) {
      EXPECT_TRUE(at > start && text[at - 1] == u'\r') << "line " << lines.size();
      lines.emplace_back(text.begin() + static_cast<std::ptrdiff_t>(start),  // ASCII only here
                         text.begin() + static_cast<std::ptrdiff_t>(at - 1));
      EXPECT_EQ(lines.back().find('\r'), std::string::npos);
    }
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
  }
  // The lines of placemark n of the waypoints folder.
  std::vector<std::string> Placemark(const std::vector<std::string>& lines, int n) {
    auto it = std::find(lines.begin(), lines.end(), "<name>waypoints</name>");
    for (; it != lines.end(); ++it)
      if (*it == "<Placemark>" && n-- == 0) break;
    std::vector<std::string> out;
    for (; it != lines.end(); ++it) {
      out.push_back(*it);
      if (*it == "</Placemark>") break;
    }
    return out;
  }
  bool WellFormed() {
    const std::string command = "xmllint --noout '" + kml.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
  }

  CPageTrackLogPhoto page;
  testsupport::TempDir dir;
  fs::path trl = dir.path() / "track.trl";
  fs::path photos = dir.path() / "photos";
  fs::path kml = dir.path() / "track.kml";
};

TEST_F(PhotoKmlTest, StylesDescriptionsAndBytesInZonePlusEight) {
  WriteTrack(4);
  // Local times at +8; "a.jpg" is later than "b.jpg" but both belong to
  // point 1, so they are listed in time order.
  AddPhoto("a.jpg", "2008:05:01 08:01:05");
  AddPhoto("b.jpg", "2008:05:01 08:00:50");
  AddPhoto("c.jpg", "2008:05:01 08:00:05");  // point 0
  AddPhoto("d.jpg", "2008:05:01 08:02:55");  // point 3, the last
  AddPhoto("e.jpg", "2008:05:01 09:00:00");  // after the track
  ASSERT_TRUE(Run(8, 0));
  EXPECT_EQ(page.m_bBatchMode, 0);
  EXPECT_TRUE(page.m_strJobError.empty());
  const auto lines = Lines();
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
  EXPECT_EQ(lines[1], "<kml xmlns=\"http://earth.google.com/kml/2.1\">");
  for (const char* style : {"TLP_Start", "TLP_Finish", "TLP_Normal", "TLP_Photo"})
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        std::string("<StyleMap id=\"styleMap_") + style + "\">"),
              lines.end());
  // The route: every valid record on one line, the bad one left out.
  const auto route = std::find(lines.begin(), lines.end(), "<coordinates>");
  ASSERT_NE(route, lines.end());
  EXPECT_EQ(route[1],
            "121.5000000,25.0000000,12.50 121.5000000,25.0009995,12.50 "
            "121.5000000,25.0020008,12.50 121.5000000,25.0030003,12.50 </coordinates>");

  EXPECT_EQ(Placemark(lines, 0),
            (std::vector<std::string>{"<Placemark>",
                                      "<name>",
                                      "Thu May 01 08:00:00 2008",
                                      "</name>",
                                      "<description>",
                                      "<![CDATA[",
                                      "Photo Matched:",
                                      "<p>Thu May 01 08:00:05 2008</p>",
                                      "<p><img width=\"400\" height=\"300\" src=\"" +
                                          (photos / "c.jpg").string() + "\"></p>",
                                      "]]>",
                                      "</description>",
                                      "<styleUrl>",
                                      "#styleMap_TLP_Start",
                                      "</styleUrl>",
                                      "<Point>",
                                      "<coordinates>",
                                      "121.5000000,25.0000000,12.50",
                                      "</coordinates>",
                                      "</Point>",
                                      "</Placemark>"}));
  const auto second = Placemark(lines, 1);
  ASSERT_EQ(second.size(), 22u);
  EXPECT_EQ(second[2], "Thu May 01 08:01:00 2008");
  EXPECT_EQ(second[7], "<p>Thu May 01 08:00:50 2008</p>");
  EXPECT_NE(second[8].find("b.jpg"), std::string::npos);
  EXPECT_EQ(second[9], "<p>Thu May 01 08:01:05 2008</p>");
  EXPECT_NE(second[10].find("a.jpg"), std::string::npos);
  EXPECT_EQ(second[14], "#styleMap_TLP_Photo");
  const auto third = Placemark(lines, 2);
  EXPECT_EQ(third.size(), 13u);  // no description
  EXPECT_EQ(third[5], "#styleMap_TLP_Normal");
  const auto last = Placemark(lines, 3);
  EXPECT_EQ(last[7], "<p>Thu May 01 08:02:55 2008</p>");
  EXPECT_EQ(last[12], "#styleMap_TLP_Finish");
  EXPECT_EQ(Placemark(lines, 4).size(), 0u);
  EXPECT_EQ(lines.back(), "</kml>");
  EXPECT_TRUE(WellFormed());
  // Batch mode: no lines for parsing and matching.
  EXPECT_TRUE(ResultLines(page).empty());
}

TEST_F(PhotoKmlTest, CalibrationAndZoneMinusFive) {
  WriteTrack(4);
  AddPhoto("p.jpg", "2008:04:30 19:00:30");  // UTC 00:00:30 at -5, +90 s: 00:02:00
  ASSERT_TRUE(Run(-5, 90));
  const auto lines = Lines();
  const auto point = Placemark(lines, 2);
  ASSERT_GE(point.size(), 9u);
  EXPECT_EQ(point[2], "Wed Apr 30 19:02:00 2008");
  EXPECT_EQ(point[7], "<p>Original Time: Wed Apr 30 19:00:30 2008</p>");
  EXPECT_EQ(point[8], "<p>Adjustment Time: Wed Apr 30 19:02:00 2008</p>");
  EXPECT_EQ(Placemark(lines, 0)[2], "Wed Apr 30 19:00:00 2008");
  EXPECT_TRUE(WellFormed());
}

TEST_F(PhotoKmlTest, RefusedAndFailedCopiesAreListedAndStayInTheKml) {
  g_utilityManager.m_bWriteGpsToPhoto = 1;
  WriteTrack(4);
  AddPhoto("a.jpg", "2008:05:01 08:01:05");
  AddPhoto("a.JPG", "2008:05:01 08:01:10");  // its copy's name is taken
  AddPhoto("n.jpg", "2008:05:01 08:02:00", "NIKON");
  ASSERT_TRUE(Run(8, 0));
  const auto lines = ResultLines(page);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], LoadResString(IDS_PHOTO_CAMERA_UNSUPPORTED) + (photos / "n.jpg").string());
  EXPECT_EQ(lines[0].rfind((photos / "a.JPG").string() + ";GPS copy name", 0), 0u) << lines[0];
  EXPECT_EQ(page.m_bGpsPhotoAccepted, 1);
  EXPECT_TRUE(fs::exists(photos / "GPS" / "a_GPS.jpg"));
  const auto kmlLines = Lines();
  for (const char* name : {"a.jpg", "a.JPG", "n.jpg"}) {
    const std::string img =
        "<p><img width=\"400\" height=\"300\" src=\"" + (photos / name).string() + "\"></p>";
    EXPECT_NE(std::find(kmlLines.begin(), kmlLines.end(), img), kmlLines.end()) << name;
  }
}

TEST_F(PhotoKmlTest, LongPathsAndCdataEndInNamesStayWellFormed) {
  photos = dir.path() / std::string(200, 'p') / (std::string(100, 'q') + "]]>%d");
  fs::create_directories(photos);
  WriteTrack(3);
  AddPhoto("photo.jpg", "2008:05:01 08:00:10");
  ASSERT_TRUE(Run(8, 0));
  const auto lines = Lines();
  const auto point = Placemark(lines, 0);
  ASSERT_GE(point.size(), 9u);
  const std::string path = (photos / "photo.jpg").string();
  ASSERT_GT(path.size(), 300u);
  std::string split = path;
  split.replace(split.find("]]>"), 3, "]]]]><![CDATA[>");
  EXPECT_EQ(point[8], "<p><img width=\"400\" height=\"300\" src=\"" + split + "\"></p>");
  EXPECT_TRUE(WellFormed());
}

TEST_F(PhotoKmlTest, EveryPointOfALongTrackGetsAPlacemark) {
  WriteTrack(150000);
  ASSERT_TRUE(Run(0, 0));
  EXPECT_EQ(page.m_nPointCount, 150000);
  const exiftest::Bytes bytes = phototest::ReadFile(kml);
  std::string narrow;  // the ASCII text of the file
  narrow.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i < bytes.size(); i += 2) narrow += static_cast<char>(bytes[i]);
  std::size_t placemarks = 0;
  for (std::size_t at = 0; (at = narrow.find("<Placemark>", at)) != std::string::npos; ++at)
    ++placemarks;
  EXPECT_EQ(placemarks, 150001u);  // the route and every point
  EXPECT_NE(narrow.find("<name>\r\nWed Aug 13 03:59:00 2008\r\n</name>"), std::string::npos);
}

TEST_F(PhotoKmlTest, RecordsFrom2To31SecondsStayOnlyInTheRoute) {
  WriteTrack(2);
  {
    std::ofstream out(trl, std::ios::binary | std::ios::app);
    const TrackRecord late = TrackRecord::Make(0x80000000u, 26.0f, 122.0f, 1.0f);
    out.write(reinterpret_cast<const char*>(late.bytes), sizeof late.bytes);
  }
  ASSERT_TRUE(Run(0, 0));
  EXPECT_EQ(page.m_nPointCount, 2);
  const auto lines = Lines();
  const auto route = std::find(lines.begin(), lines.end(), "<coordinates>");
  ASSERT_NE(route, lines.end());
  EXPECT_NE(route[1].find("122.0000000,26.0000000,1.00 </coordinates>"), std::string::npos);
  EXPECT_EQ(Placemark(lines, 1)[5], "#styleMap_TLP_Finish");
  EXPECT_TRUE(Placemark(lines, 2).empty());
}

TEST_F(PhotoKmlTest, FailuresNameTheFile) {
  // No track file.
  EXPECT_FALSE(Run(0, 0));
  EXPECT_NE(page.m_strJobError.find(trl.string()), std::string::npos) << page.m_strJobError;
  EXPECT_EQ(page.m_bBatchMode, 0);
  // A full disk.
  WriteTrack(2);
  CUnicodeTextFile full;
  ASSERT_TRUE(full.Open("/dev/full",
                        CFile::modeWrite | CFile::typeText | CUnicodeTextFile::modeWriteUnicode));
  EXPECT_FALSE(page.CombinePhotos(trl.string(), &full, photos.string()));
  EXPECT_NE(page.m_strJobError.find("/dev/full"), std::string::npos) << page.m_strJobError;
  EXPECT_FALSE(full.IsOpen());
}

TEST_F(PhotoKmlTest, FailureTextsInTheWindowsLanguage) {
  SetResLanguage(ResLanguage::TraditionalChinese);
  EXPECT_FALSE(Run(0, 0));  // no track file
  const std::string open = FormatString(LoadResString(IDS_CANNOT_OPEN).c_str(), trl.c_str());
  EXPECT_EQ(page.m_strJobError.rfind(open + ": ", 0), 0u) << page.m_strJobError;
  // A geotagged copy whose name another photo's copy took.
  g_utilityManager.m_bWriteGpsToPhoto = 1;
  WriteTrack(4);
  AddPhoto("a.jpg", "2008:05:01 00:01:05");
  AddPhoto("a.JPG", "2008:05:01 00:01:10");
  ASSERT_TRUE(Run(0, 0));
  const auto lines = ResultLines(page);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            (photos / "a.JPG").string() + ";" +
                FormatString(LoadResString(IDS_PHOTO_GPS_NAME_TAKEN).c_str(),
                             (photos / "GPS" / "a_GPS.jpg").c_str(), (photos / "a.jpg").c_str()));
}

TEST_F(PhotoKmlTest, ConvertReplacesTheFileOnlyWhenComplete) {
  ScriptedUi ui;
  // Without a track or a folder the page asks for them.
  page.OnConvert();
  EXPECT_EQ(ui.LastMessageBox().text, LoadResString(IDS_PHOTO_SELECT_TRL));
  EXPECT_EQ(ui.LastMessageBox().Icon(), MB_ICONSTOP);
  page.m_strTrlPath = trl.string();
  page.OnConvert();
  EXPECT_EQ(ui.LastMessageBox().text, LoadResString(IDS_PHOTO_SELECT_FOLDER));
  EXPECT_TRUE(ui.FileDialogs().empty());

  page.m_strPhotoFolder = photos.string();
  std::ofstream(kml) << "earlier";
  const auto convert = [&](const fs::path& target) {
    ui.AnswerFileDialog(target.string());
    page.OnConvert();
    std::string status;
    page.m_staticConvert.GetWindowText(status);
    return status;
  };
  // The track cannot be read: the earlier file stays, nothing is left over.
  std::string status = convert(kml);
  EXPECT_NE(status, LoadResString(IDS_FORMAT_CONVERTED));
  EXPECT_NE(ui.LastMessageBox().text.find(trl.string()), std::string::npos);
  EXPECT_EQ(ui.LastMessageBox().caption, LoadResString(300));
  EXPECT_EQ(phototest::ReadFile(kml), exiftest::Bytes({'e', 'a', 'r', 'l', 'i', 'e', 'r'}));
  // A folder that does not exist.
  status = convert(dir.path() / "none" / "x.kml");
  EXPECT_NE(ui.LastMessageBox().text.find("none/x.kml"), std::string::npos);
  // The track itself is never the output.
  WriteTrack(3);
  const auto track = phototest::ReadFile(trl);
  convert(trl);
  EXPECT_EQ(phototest::ReadFile(trl), track);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);

  AddPhoto("a.jpg", "2008:05:01 00:01:00");
  status = convert(kml);
  EXPECT_EQ(status, LoadResString(IDS_FORMAT_CONVERTED));
  EXPECT_EQ(page.m_strKmlPath, kml.string());
  EXPECT_TRUE(WellFormed());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
  const FileDialogRequest chooser = ui.FileDialogs().back();
  EXPECT_FALSE(chooser.open);
  EXPECT_EQ(chooser.defaultExt, "kml");
  EXPECT_EQ(chooser.flags, DWORD{OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT});
  // Interactive: the parse and match lines are listed.
  EXPECT_EQ(ResultLines(page).size(), 2u);
}

TEST_F(PhotoKmlTest, ChoosersFillThePathsAndCancelChangesNothing) {
  ScriptedUi ui;
  page.m_strTrlPath = "old.trl";
  page.OnBrowseTrl();  // cancelled
  EXPECT_EQ(page.m_strTrlPath, "old.trl");
  ui.AnswerFileDialog(trl.string());
  page.OnBrowseTrl();
  EXPECT_EQ(page.m_strTrlPath, trl.string());
  std::string shown;
  page.GetDlgItemText(IDC_PHOTO_TRL_PATH, shown);
  EXPECT_EQ(shown, trl.string());

  page.OnBrowseFolder();  // cancelled
  EXPECT_TRUE(page.m_strPhotoFolder.empty());
  ui.AnswerFolder("/photos/100%");
  page.OnBrowseFolder();
  EXPECT_EQ(page.m_strPhotoFolder, "/photos/100%");
  page.GetDlgItemText(IDC_PHOTO_FOLDER, shown);
  EXPECT_EQ(shown, "/photos/100%");
}

}  // namespace
