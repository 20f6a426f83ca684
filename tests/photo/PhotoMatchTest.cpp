// Folder scan, parse lines, calibration, ordering and matching of photos.
#include <gtest/gtest.h>

#include <climits>

#include "PhotoTestSupport.h"
#include "common/UtilityManager.h"
#include "framework/Strings.h"
#include "support/test_support.h"

using exiftest::BuildJpeg;
using exiftest::JpegLayout;
using phototest::ResultLines;
using phototest::Utc;

namespace {

class PhotoMatchTest : public ::testing::Test {
 protected:
  // The list and status controls exist once the page window does.
  void SetUp() override { ASSERT_TRUE(page.Create(IDD_PAGE_TRACKLOG_PHOTO, nullptr)); }

  void SetPoints(const std::vector<std::int32_t>& times) {
    page.m_points.clear();
    for (std::int32_t t : times) page.m_points.push_back({121.5f, 25.0f, 10.0f, t});
    page.m_nPointCount = static_cast<int>(times.size());
    page.SortTrackPoints();
  }
  // Photos with the given adjusted times, in folder order.
  void SetPhotos(const std::vector<std::int32_t>& times) {
    page.m_photos.clear();
    for (std::size_t i = 0; i < times.size(); ++i) {
      page.m_photos.push_back({"p" + std::to_string(i) + ".jpg", times[i], times[i]});
    }
    page.m_nPhotoCount = static_cast<int>(times.size());
    page.SortPhotos();
  }
  // Matched point index per photo in folder order, -1 when unmatched.
  std::vector<int> Matches() {
    page.MatchPhotos();
    std::vector<int> result(page.m_photos.size(), -2);
    for (const PhotoTimeIndex& e : page.m_photoOrder) result[e.nPhoto] = e.bMatched ? e.nPoint : -1;
    return result;
  }
  void AddPhoto(const std::string& name, const std::string& date) {
    JpegLayout layout;
    layout.dateTimeOriginal = date;
    phototest::WriteFile(dir.path() / name, BuildJpeg(layout));
  }

  CPageTrackLogPhoto page;
  testsupport::TempDir dir;
  phototest::PhotoZone zone{0};
};

TEST_F(PhotoMatchTest, NearerPointWithinTheGap) {
  SetPoints({1000, 1120, 2000, 2121});
  SetPhotos({1000, 1059, 1060, 1061, 1120, 999, 2050, 2121, 3000});
  EXPECT_EQ(Matches(), (std::vector<int>{0, 0, 0, 1, -1, -1, -1, -1, -1}));
  // 1120 is a point but the next one is 880 s later: unmatched. 2050 lies
  // between points 121 s apart. 2121 is the last point's time.
  int choice = -1;
  page.PickNearerPoint(0, 10, 5, choice);
  EXPECT_EQ(choice, 0);
  page.PickNearerPoint(0, 10, 6, choice);
  EXPECT_EQ(choice, 1);
  page.PickNearerPoint(INT_MIN, INT_MAX, 0, choice);  // no overflow in the distances
  EXPECT_EQ(choice, 1);
}

TEST_F(PhotoMatchTest, OrdersAreStableAndMatchUsesPointIndexes) {
  // Points out of file order; equal times keep file order.
  SetPoints({500, 100, 100, 160});
  ASSERT_EQ(page.m_pointOrder.size(), 4u);
  EXPECT_EQ(page.m_pointOrder[0].nPoint, 1);
  EXPECT_EQ(page.m_pointOrder[1].nPoint, 2);
  EXPECT_EQ(page.m_pointOrder[2].nPoint, 3);
  SetPhotos({150, 110, 150});
  EXPECT_EQ(page.m_photoOrder[0].nPhoto, 1);
  EXPECT_EQ(page.m_photoOrder[1].nPhoto, 0);
  EXPECT_EQ(page.m_photoOrder[2].nPhoto, 2);
  EXPECT_EQ(Matches(), (std::vector<int>{3, 2, 3}));
}

TEST_F(PhotoMatchTest, CalibrationMovesAdjustedTimeAndOverflowStaysUnmatched) {
  SetPoints({INT_MIN, INT_MIN + 10, 5000, 5060});
  page.m_photos = {{"a.jpg", 8600, 0}, {"b.jpg", INT_MIN + 3600, 0}};
  page.m_nPhotoCount = 2;
  page.m_nCalibrationSeconds = -3600;
  page.ApplyCalibration();
  EXPECT_EQ(page.m_photos[0].nExifTime, 8600);
  EXPECT_EQ(page.m_photos[0].nAdjustedTime, 5000);
  EXPECT_EQ(page.m_photos[1].nAdjustedTime, INT_MIN);
  page.m_photos[1].nAdjustedTime = page.m_photos[1].nExifTime = 2;
  page.m_nCalibrationSeconds = INT_MIN;  // 2 + INT_MIN - ... stays in range
  page.ApplyCalibration();
  EXPECT_TRUE(page.m_photos[1].bTimeInRange);
  page.m_photos[1].nAdjustedTime = -5;
  page.ApplyCalibration();  // -5 + INT_MIN leaves the range
  EXPECT_FALSE(page.m_photos[1].bTimeInRange);
  page.SortPhotos();
  EXPECT_EQ(Matches(), (std::vector<int>{-1, -1}))
      << "calibrated times outside the 32-bit range never match";
}

TEST_F(PhotoMatchTest, ParseAndMatchWriteLinesAndCounts) {
  AddPhoto("b.jpg", "2008:05:01 08:00:30");
  AddPhoto("a.JPG", "2008:05:01 08:00:10");
  AddPhoto("c.jpg", "0000:00:00 00:00:00");
  phototest::WriteFile(dir.path() / "d.png", BuildJpeg(JpegLayout{}));
  std::filesystem::create_directory(dir.path() / "folder.jpg");
  page.m_strPhotoFolder = dir.path().string();
  const std::int32_t t0 = Utc(2008, 5, 1, 8, 0, 0);
  SetPoints({t0, t0 + 60});
  page.SetStatusText("old");
  page.ParsePhotos();
  ASSERT_EQ(page.m_nPhotoCount, 3);
  const std::string a = (dir.path() / "a.JPG").string(), b = (dir.path() / "b.jpg").string(),
                    c = (dir.path() / "c.jpg").string();
  EXPECT_EQ(page.m_photos[0].path, a);
  EXPECT_EQ(ResultLines(page),
            (std::vector<std::string>{
                "Photo Parsed Pass:" + a, "Photo Parsed Pass:" + b,
                "Photo Parsed Error:" + c + ";Photo taken date time format error."}));
  EXPECT_EQ(page.GetStatusText(), "Photo Parsed: Pass:2 Error:1 ");
  EXPECT_EQ(page.m_parseMessage[2], "Photo taken date time format error.");
  page.ApplyCalibration();
  page.SortPhotos();
  page.MatchPhotos();
  const std::vector<std::string> lines = ResultLines(page);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3], "Photo Combined Failed:" + c + ";No mapping any track log point.");
  EXPECT_EQ(lines[4], "Photo CombinedPass:" + a);
  EXPECT_EQ(lines[5], "Photo CombinedPass:" + b);
  EXPECT_EQ(page.GetStatusText(), "Photo Parsed: Pass:2 Error:1 \nPhoto Combined: Pass:2 Error:1");
  // The list scrolls sideways to its longest line.
  EXPECT_GT(page.m_listResult.GetHorizontalExtent(), 0);
  EXPECT_EQ(page.m_listResult.GetHorizontalExtent(), page.m_listResult.GetMaxWidth());
}

TEST_F(PhotoMatchTest, BatchModeWritesNoLinesButMatches) {
  AddPhoto("a.jpg", "2008:05:01 08:00:10");
  page.m_strPhotoFolder = dir.path().string();
  const std::int32_t t0 = Utc(2008, 5, 1, 8, 0, 0);
  SetPoints({t0, t0 + 60});
  page.m_listResult.AddString("earlier run");
  page.SetStatusText("kept");
  page.m_bBatchMode = 1;
  page.ParsePhotos();
  page.ApplyCalibration();
  page.SortPhotos();
  page.MatchPhotos();
  EXPECT_EQ(ResultLines(page).size(), 0u);
  EXPECT_EQ(page.GetStatusText(), "kept");
  ASSERT_EQ(page.m_photoOrder.size(), 1u);
  EXPECT_EQ(page.m_photoOrder[0].bMatched, 1);
  EXPECT_EQ(page.m_photoOrder[0].nPoint, 0);
}

TEST_F(PhotoMatchTest, LinesFollowTheCurrentLanguage) {
  AddPhoto("a.jpg", "0000:00:00 00:00:00");
  page.m_strPhotoFolder = dir.path().string();
  SetResLanguage(ResLanguage::TraditionalChinese);
  page.ParsePhotos();
  SetResLanguage(ResLanguage::English);
  EXPECT_EQ(ResultLines(page),
            std::vector<std::string>{"照片解析 錯誤:" + (dir.path() / "a.jpg").string() +
                                     ";照片拍攝日期時間格式錯誤。"});
}

TEST_F(PhotoMatchTest, MissingFolderGivesNoPhotos) {
  page.m_strPhotoFolder = (dir.path() / "nowhere").string();
  page.ParsePhotos();
  EXPECT_EQ(page.m_nPhotoCount, 0);
  page.m_strPhotoFolder.clear();
  page.FindPhotos();
  EXPECT_EQ(page.m_nPhotoCount, 0);
  EXPECT_EQ(page.GetStatusText(), "");
}

TEST(PhotoPageSmallMembers, CheckRecordHexAndSettingsFlag) {
  CPageTrackLogPhoto page;
  BYTE record[16] = {1, 2, 4, 8, 16, 32, 64, 128, 3, 0, 0, 0, 0, 0, 0xF0, 0};
  EXPECT_EQ(page.CheckRecord(record), 0xFF ^ 3 ^ 0xF0);
  const TrackRecord track = TrackRecord::Make(1210000000, 25.0f, 121.5f, 12.0f);
  EXPECT_EQ(page.CheckRecord(track), track.bytes[15]);
  EXPECT_EQ(CPageTrackLogPhoto::ParseHexText("0x1aF"), 0x1AFu);
  EXPECT_EQ(CPageTrackLogPhoto::ParseHexText("ffG1"), 0xFFu);
  EXPECT_EQ(CPageTrackLogPhoto::ParseHexText("0X"), 0u);
  EXPECT_EQ(CPageTrackLogPhoto::ParseHexText("123456789"), 0x23456789u);  // wraps, no overflow
  g_utilityManager.m_bPhotoSettingsReset = TRUE;
  page.ClearPhotoSettingsReset();
  EXPECT_EQ(g_utilityManager.m_bPhotoSettingsReset, FALSE);
  EXPECT_EQ(page.m_bGpsPhotoAccepted, 1);
  EXPECT_EQ(page.m_nCalibrationSeconds, 0);
  EXPECT_EQ(page.m_bBatchMode, 0);
}

}  // namespace
