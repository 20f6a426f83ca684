#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "formats/BlockTrackDecoder.h"
#include "formats/FormatsTestUtil.h"
#include "logger/BlockTrackRecord.h"
#include "platform/ProcessTimeZone.h"
#include "support/test_support.h"

using formatstest::SplitCrLf;

namespace {

constexpr std::uint32_t kDec04 = 1165233600u;  // 2006-12-04 12:00:00 UTC

using Block = std::array<BYTE, kBlockDataSize>;

Block EmptyBlock() {
  Block b;
  b.fill(0xFF);
  return b;
}

void Put(Block& b, int slot, std::int32_t lon, std::int32_t lat, std::int32_t alt,
         std::uint32_t t) {
  BYTE* p = b.data() + slot * kBlockTrackRecordSize;
  const std::uint32_t v[4] = {static_cast<std::uint32_t>(lon), static_cast<std::uint32_t>(lat),
                              static_cast<std::uint32_t>(alt), t};
  for (int f = 0; f < 4; ++f)
    for (int i = 0; i < 4; ++i) p[f * 4 + i] = static_cast<BYTE>(v[f] >> (8 * i));
}

class BlockDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProcessTimeZone(0);
    tables.Clear();
    text = std::tmpfile();
  }
  void TearDown() override {
    std::fclose(text);
    ClearProcessTimeZone();
  }
  std::string Text() {
    std::fflush(text);
    std::rewind(text);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, text)) > 0) out.append(buffer, n);
    return out;
  }
  BlockPointTables tables;
  std::FILE* text = nullptr;
};

}  // namespace

TEST_F(BlockDecode, TextLinesAndEmptyRecords) {
  Block b = EmptyBlock();
  Put(b, 0, 1214850580, 249971320, 12790, kDec04);
  Put(b, 5, -1214850580, -249971320, -500, kDec04 + 1);
  // Bytes 0-14 all 0xFF with another byte 15 is a record like any other.
  Put(b, 31, -1, -1, -1, 0x00FFFFFFu);
  ASSERT_TRUE(DecodeBlockRecords(tables, b.data(), kBlockOutputText, text, 1024, 0));
  const auto lines = SplitCrLf(Text());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "121.4850580,24.9971320,127.90,Mon Dec 04 12:00:00 2006");
  EXPECT_EQ(lines[1], "-121.4850580,-24.9971320,-5.00,Mon Dec 04 12:00:01 2006");
  EXPECT_EQ(tables.pointIndex, 3);
  EXPECT_EQ(tables.pointCount, 3);
  EXPECT_EQ(tables.names[0], "Mon Dec 04 12:00:00 2006\n");
  EXPECT_EQ(tables.points[1].longitude, -1214850580);
  EXPECT_TRUE(tables.coordinates.empty());  // text mode collects no route

  ASSERT_TRUE(DecodeBlockRecords(tables, EmptyBlock().data(), kBlockOutputText, text, 1024, 512));
  EXPECT_EQ(tables.pointIndex, 3);
}

TEST_F(BlockDecode, BlockPastTheAnnouncedLengthIsNotDecoded) {
  Block b = EmptyBlock();
  Put(b, 0, 1, 2, 3, kDec04);
  ASSERT_TRUE(DecodeBlockRecords(tables, b.data(), kBlockOutputKml, nullptr, 1000, 512));
  EXPECT_EQ(tables.pointIndex, 0);
  ASSERT_TRUE(DecodeBlockRecords(tables, b.data(), kBlockOutputKml, nullptr, 1024, 512));
  EXPECT_EQ(tables.pointIndex, 1);
}

TEST_F(BlockDecode, OutOfRangeCoordinatesAreSkipped) {
  Block b = EmptyBlock();
  Put(b, 0, 1800000001, 0, 0, kDec04);
  Put(b, 1, 0, -900000001, 0, kDec04);
  Put(b, 2, -1800000000, 900000000, 0, kDec04);
  ASSERT_TRUE(DecodeBlockRecords(tables, b.data(), kBlockOutputKml, nullptr, 512, 0));
  EXPECT_EQ(tables.pointIndex, 1);
  EXPECT_EQ(tables.coordinates, "-180.0000000,90.0000000,0.00 ");
}

TEST_F(BlockDecode, KmlDocumentLines) {
  Block b = EmptyBlock();
  Put(b, 0, 1214850580, 249971320, 12790, kDec04);
  Put(b, 1, -1214850580, 249971320, 100, kDec04 + 60);
  Put(b, 2, 1214850000, 249970000, 200, kDec04 + 120);
  ASSERT_TRUE(DecodeBlockRecords(tables, b.data(), kBlockOutputKml, nullptr, 512, 0));
  const std::string kml = BuildBlockKml(tables);
  const auto lines = SplitCrLf(kml);
  EXPECT_TRUE(formatstest::OnlyCrLf(kml));
  const std::vector<std::string> head = {
      "<kml xmlns=\"http://earth.google.com/kml/2.1\">",
      "<Document>",
      "<Style id=\"roadStyle\">",
      "<LineStyle>",
      "<color>7fcf0064</color>",
      "<width>6</width>",
      "</LineStyle>",
      "</Style>",
      "<Open>1</Open>",
      "<description>Track Log</description>",
      "<name>Track Log</name>",
      "<Placemark>",
      "<name>Route</name>",
      "<styleUrl>#roadStyle</styleUrl>",
      "<MultiGeometry>",
      "<LineString>",
      "<coordinates>121.4850580,24.9971320,127.90 -121.4850580,24.9971320,1.00 "
      "121.4850000,24.9970000,2.00 </coordinates>",
      "</LineString>",
      "</MultiGeometry>",
      "</Placemark>",
      "<Folder>",
      "<name>Waypoints</name>",
      "<Placemark>",
      "<name>Mon Dec 04 12:00:00 2006",
      "</name>",
      "<styleUrl>root://styleMaps#default+nicon=0x406+hicon=0x416</styleUrl>",
      "<Point>",
      "<coordinates>121.4850580,24.9971320,127.90</coordinates>",
      "</Point>",
      "</Placemark>",
      "<Placemark>",
      "<name>Mon Dec 04 12:01:00 2006",
      "</name>",
      "<styleUrl>root://styleMaps#default+nicon=0x447+hicon=0x457</styleUrl>",
  };
  ASSERT_GE(lines.size(), head.size());
  for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << i;
  EXPECT_NE(kml.find("<name>Mon Dec 04 12:02:00 2006\r\n</name>\r\n"
                     "<styleUrl>root://styleMaps#default+nicon=0x467+hicon=0x477</styleUrl>"),
            std::string::npos);
  EXPECT_EQ(lines[lines.size() - 3], "</Folder>");
  EXPECT_EQ(lines.back(), "</kml>");

  testsupport::TempDir dir;
  const auto path = dir.path() / "block.kml";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(WriteBlockKml(tables, out));
  std::fclose(out);
  const std::string file = formatstest::ReadAll(path);
  EXPECT_EQ(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + kml);
  if (formatstest::HaveXmllint()) {
    EXPECT_EQ(formatstest::Xmllint(path), 0);
  }
}

TEST_F(BlockDecode, SinglePointAndNoPoint) {
  const std::string none = BuildBlockKml(tables);
  EXPECT_NE(none.find("<LineString>\r\n<coordinates/>\r\n</LineString>"), std::string::npos);
  EXPECT_NE(none.find("<name>Waypoints</name>\r\n</Folder>"), std::string::npos);
  Block b = EmptyBlock();
  Put(b, 7, 10, 20, 30, kDec04);
  DecodeBlockRecords(tables, b.data(), kBlockOutputKml, nullptr, 512, 0);
  const std::string one = BuildBlockKml(tables);
  EXPECT_NE(one.find("nicon=0x406"), std::string::npos);
  EXPECT_EQ(one.find("nicon=0x467"), std::string::npos);
}

// More points than the old fixed tables held are all converted.
TEST_F(BlockDecode, LongLogIsConvertedWhole) {
  const int blocks = 520;  // 16,640 points, over 480,000 bytes of route
  Block b;
  for (int k = 0; k < blocks; ++k) {
    for (int s = 0; s < kBlockRecordsPerBlock; ++s)
      Put(b, s, 1000000000 + k * 100 + s, 250000000 - k, 12345, kDec04 + k * 32 + s);
    ASSERT_TRUE(
        DecodeBlockRecords(tables, b.data(), kBlockOutputKml, nullptr, blocks * 512, k * 512));
  }
  const int n = blocks * kBlockRecordsPerBlock;
  EXPECT_EQ(tables.pointCount, n);
  EXPECT_GT(tables.coordinates.size(), 480000u);
  const std::string kml = BuildBlockKml(tables);
  size_t placemarks = 0;
  for (size_t p = 0; (p = kml.find("<Placemark>", p)) != std::string::npos; ++p) ++placemarks;
  EXPECT_EQ(placemarks, static_cast<size_t>(n) + 1);
  EXPECT_NE(kml.find("nicon=0x467"), std::string::npos);

  // A new upload starts again at point 0.
  tables.Clear();
  Put(b, 0, 1, 1, 1, kDec04);
  DecodeBlockRecords(tables, b.data(), kBlockOutputKml, nullptr, 512, 0);
  EXPECT_EQ(tables.pointIndex, kBlockRecordsPerBlock);
}

TEST_F(BlockDecode, WriteFailuresAreReported) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full, nullptr, _IONBF, 0);
  Block b = EmptyBlock();
  Put(b, 0, 1, 2, 3, kDec04);
  EXPECT_FALSE(DecodeBlockRecords(tables, b.data(), kBlockOutputText, full, 512, 0));
  std::clearerr(full);
  EXPECT_FALSE(WriteBlockKml(tables, full));
  std::fclose(full);
}
