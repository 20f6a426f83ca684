// Sector parsing and TRL file writing of the chipset log download.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/UtilityManager.h"
#include "logger/PageMTKTracklogSetting.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

using Sector = std::vector<BYTE>;

Sector EmptySector() { return Sector(CPageMTKTracklogSetting::kLogSectorSize, 0xFF); }

void PutSlot(Sector& sector, int slot, const BYTE* bytes) {
  std::memcpy(sector.data() + 512 + 16 * slot, bytes, 16);
}
void PutSlot(Sector& sector, int slot, const TrackRecord& r) { PutSlot(sector, slot, r.bytes); }
void PutText(Sector& sector, int slot, const char* text) {
  PutSlot(sector, slot, reinterpret_cast<const BYTE*>(text));
}

TrackRecord At(std::uint32_t time) { return TrackRecord::Make(time, 24.5f, 121.25f, 100.0f); }

// A recent time, well inside the year window whatever the zone.
std::uint32_t Recent() { return static_cast<std::uint32_t>(std::time(nullptr)) - 86400 * 30; }

std::uint32_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return static_cast<std::uint32_t>(std::mktime(&t));
}

std::vector<std::uint32_t> Times(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::uint32_t> times;
  for (std::size_t i = 0; i + 16 <= bytes.size(); i += 16) {
    TrackRecord r;
    std::memcpy(r.bytes, bytes.data() + i, 16);
    times.push_back(r.Time());
  }
  return times;
}

class LogSectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page.ResetParseState();
    g_utilityManager.m_strUserName = "ABC";
  }
  void TearDown() override { g_utilityManager.m_strUserName.clear(); }
  std::string Prefix() const { return dir.path().string() + "/"; }
  std::vector<fs::path> Files() const {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir.path())) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  // Puts entries straight into the ordered table (times before the year
  // window, markers anywhere).
  void SetOrdered(const std::vector<TrackRecord>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) page.m_orderedTable[i] = entries[i];
    page.m_nEntryCount = static_cast<int>(entries.size());
  }
  static TrackRecord Marker() {
    TrackRecord r;
    std::memcpy(r.bytes, "VANTOTX370LOGGER", 16);
    return r;
  }

  CPageMTKTracklogSetting page;
  testsupport::TempDir dir;
};

TEST_F(LogSectorTest, FillerErasedAndZeroSlotsAddNothing) {
  Sector sector = EmptySector();
  BYTE filler[16];
  std::memset(filler, 0xAA, 7);
  for (int i = 7; i < 12; ++i) filler[i] = static_cast<BYTE>(0x11 * i);
  std::memset(filler + 12, 0xBB, 4);
  PutSlot(sector, 0, filler);
  BYTE zero[16] = {};
  PutSlot(sector, 1, zero);  // intact check byte, but dated 1970
  PutSlot(sector, 2, At(Recent()));
  std::vector<BYTE> out(CPageMTKTracklogSetting::kLogSectorSize, 0x5A);
  EXPECT_EQ(CPageMTKTracklogSetting::FilterSectorRecords(sector.data(), out.data()), 2);
  EXPECT_EQ(std::memcmp(out.data(), zero, 16), 0);
  EXPECT_EQ(out[32], 0x5A);  // the rest is left as it was

  page.ParseSector(EmptySector().data());
  EXPECT_EQ(page.m_nEntryCount, 0);
  page.ParseSector(sector.data());
  EXPECT_EQ(page.m_nEntryCount, 1);
  EXPECT_EQ(page.m_orderedTable[0].Time(), Recent());
}

TEST_F(LogSectorTest, YearWindowAndCheckByte) {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  const int year = utc.tm_year + 1900;
  Sector sector = EmptySector();
  PutSlot(sector, 0, At(LocalTime(year - 4, 7, 1, 12, 0, 0)));
  PutSlot(sector, 1, At(LocalTime(year - 3, 7, 1, 12, 0, 0)));
  PutSlot(sector, 2, At(LocalTime(year + 3, 7, 1, 12, 0, 0)));
  PutSlot(sector, 3, At(LocalTime(year + 4, 7, 1, 12, 0, 0)));
  TrackRecord broken = At(Recent());
  broken.bytes[15] ^= 1;
  PutSlot(sector, 4, broken);
  page.ParseSector(sector.data());
  ASSERT_EQ(page.m_nEntryCount, 2);
  EXPECT_EQ(page.m_nValidRecordCount, 2);
  EXPECT_EQ(page.m_orderedTable[0].Time(), LocalTime(year - 3, 7, 1, 12, 0, 0));
}

TEST_F(LogSectorTest, WrappedRingIsWrittenInTimeOrder) {
  const std::uint32_t t = Recent();
  Sector first = EmptySector(), second = EmptySector();
  PutSlot(first, 0, At(t + 100));
  PutSlot(first, 1, At(t + 200));
  PutSlot(first, 4063, At(t + 300));
  PutSlot(second, 0, At(t + 10));
  PutSlot(second, 1, At(t + 20));
  page.ParseSector(first.data());
  page.ParseSector(second.data());
  ASSERT_TRUE(page.WriteTrackFiles(Prefix()));
  const auto files = Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Times(files[0]),
            (std::vector<std::uint32_t>{t + 10, t + 20, t + 100, t + 200, t + 300}));
}

TEST_F(LogSectorTest, WaypointRecordsGoToTheWaypointsFileOnly) {
  const std::uint32_t t = Recent();
  Sector sector = EmptySector(), next = EmptySector();
  PutSlot(sector, 0, At(t));
  PutText(sector, 1, "VANTOTX370WAYPNT");
  PutSlot(sector, 2, At(t + 1));  // a waypoint
  PutText(sector, 3, "VANTOTX370WAYPNT");
  TrackRecord broken = At(t + 2);
  broken.bytes[15] ^= 1;
  PutSlot(sector, 4, broken);     // waypoint record lost...
  PutSlot(sector, 5, At(t + 3));  // ...so this one stays in the track
  PutText(sector, 4063, "VANTOTX370WAYPNT");
  PutSlot(next, 0, At(t + 4));  // announced by the last slot of the sector before
  PutSlot(next, 1, At(t + 5));
  page.m_bWriteTotal = 1;
  page.ParseSector(sector.data());
  page.ParseSector(next.data());
  EXPECT_EQ(page.m_nWaypointCount, 3);
  ASSERT_TRUE(page.WriteTrackFiles(Prefix()));
  ASSERT_EQ(page.m_segmentFileNames.size(), 1u);
  EXPECT_EQ(Times(page.m_segmentFileNames[0] + ".trl"),
            (std::vector<std::uint32_t>{t, t + 3, t + 5}));
  EXPECT_EQ(Times(page.m_strTotalFileName + ".trl"), (std::vector<std::uint32_t>{t, t + 3, t + 5}));
  EXPECT_EQ(Times(Prefix() + "ABC_R-710_Waypoints.trl"),
            (std::vector<std::uint32_t>{t + 1, t + 4}));
}

TEST_F(LogSectorTest, SegmentsBetweenMarkersAndTheirNames) {
  const std::uint32_t t = LocalTime(2008, 3, 1, 8, 0, 0);
  std::vector<TrackRecord> entries = {Marker(),     At(t),        At(t + 60),
                                      At(t + 120),  At(t + 8130), Marker(),
                                      At(t + 9000), At(t + 9060), At(t + 9120)};
  SetOrdered(entries);
  page.m_nSegmentMarkerCount = 2;
  ASSERT_TRUE(page.WriteTrackFiles(Prefix()));
  ASSERT_EQ(page.m_segmentFileNames.size(), 3u);
  EXPECT_EQ(page.m_segmentFileNames[0], "");
  EXPECT_EQ(page.m_segmentFileNames[1],
            Prefix() + "ABC_R-710_Start_20080301-080000_Finish_20080301-101530");
  EXPECT_EQ(Times(page.m_segmentFileNames[1] + ".trl").size(), 4u);
  EXPECT_EQ(Times(page.m_segmentFileNames[2] + ".trl").size(), 3u);
  EXPECT_EQ(Files().size(), 2u);  // no Total, no Waypoints
}

TEST_F(LogSectorTest, SegmentsOfTheSameSecondsGetNumberedNames) {
  const std::uint32_t t = LocalTime(2008, 3, 1, 8, 0, 0);
  SetOrdered({At(t), Marker(), At(t), Marker(), At(t)});
  page.m_nSegmentMarkerCount = 2;
  ASSERT_TRUE(page.WriteTrackFiles(Prefix()));
  const std::string name = Prefix() + "ABC_R-710_Start_20080301-080000_Finish_20080301-080000";
  EXPECT_EQ(page.m_segmentFileNames, (std::vector<std::string>{name, name + "_2", name + "_3"}));
  EXPECT_EQ(Files().size(), 3u);
}

TEST_F(LogSectorTest, UserNameIsMadeSafeForAFileName) {
  SetOrdered({At(LocalTime(2008, 3, 1, 8, 0, 0))});
  g_utilityManager.m_strUserName = "";
  page.m_bWriteTotal = 1;
  ASSERT_TRUE(page.WriteTrackFiles(Prefix()));
  EXPECT_EQ(page.m_strTotalFileName,
            Prefix() + "_R-710_Total_Start_20080301-080000_Finish_20080301-080000");
  g_utilityManager.m_strUserName = "../a\nb";
  ASSERT_TRUE(page.WriteTrackFiles(Prefix()));
  EXPECT_EQ(page.m_segmentFileNames[0],
            Prefix() + ".._a_b_R-710_Start_20080301-080000_Finish_20080301-080000");
  for (const auto& f : Files()) EXPECT_EQ(f.parent_path(), dir.path());
}

TEST_F(LogSectorTest, NoRecordsGiveAnEmptyTotalFile) {
  page.m_bWriteTotal = 1;
  ASSERT_TRUE(page.WriteTrackFiles(Prefix()));
  ASSERT_EQ(Files().size(), 1u);
  EXPECT_EQ(Files()[0].filename(), "ABC_R-710_Total_Start__Finish_.trl");
  EXPECT_EQ(fs::file_size(Files()[0]), 0u);
}

TEST_F(LogSectorTest, AFileThatCannotBeWrittenIsReported) {
  SetOrdered({At(Recent())});
  page.m_bWriteTotal = 1;
  // A folder that is a plain file: no one can create files in it.
  std::ofstream(dir.path() / "plain").put('x');
  EXPECT_FALSE(page.WriteTrackFiles((dir.path() / "plain").string() + "/"));
  EXPECT_NE(page.m_strTrackFileError.find("Create File Failed"), std::string::npos);
  EXPECT_EQ(page.m_segmentFileNames[0], "");
  EXPECT_EQ(page.m_strTotalFileName, "");
  EXPECT_EQ(Files().size(), 1u);
}

TEST_F(LogSectorTest, AFullTableTakesNoMore) {
  Sector sector = EmptySector();
  for (int i = 0; i < CPageMTKTracklogSetting::kSectorSlots; ++i)
    PutSlot(sector, i, At(Recent() + i));
  for (int n = 0; n < 33; ++n) page.ParseSector(sector.data());
  EXPECT_EQ(page.m_nEntryCount, CPageMTKTracklogSetting::kMaxLogEntries);
}

TEST_F(LogSectorTest, WriteRecordsSkipsErasedAndZeroSlots) {
  std::vector<BYTE> buffer(4096 * 16, 0xFF);
  std::memset(buffer.data() + 16, 0, 16);
  std::memcpy(buffer.data() + 32, At(Recent()).bytes, 16);
  std::FILE* f = std::tmpfile();
  ASSERT_TRUE(CPageMTKTracklogSetting::WriteRecords(buffer.data(), f));
  EXPECT_EQ(std::ftell(f), 16);
  std::fclose(f);
}

}  // namespace
