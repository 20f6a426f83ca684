#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <regex>

#include "formats/FixedText.h"
#include "formats/FormatsTestUtil.h"
#include "formats/PageTrackLogFormat.h"
#include "formats/TrackLogExport.h"
#include "platform/ProcessTimeZone.h"
#include "support/test_support.h"

using formatstest::ReadAll;
using formatstest::RecordBytes;
using formatstest::SplitCrLf;

namespace {

std::time_t Utc(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return timegm(&tm);
}

const std::uint32_t kDec04 = static_cast<std::uint32_t>(Utc(2006, 12, 4, 12, 0, 0));

// A generated track: both hemispheres, varying altitudes, one record a minute.
std::vector<TrackRecord> Track(int n) {
  std::vector<TrackRecord> out;
  for (int i = 0; i < n; ++i)
    out.push_back(TrackRecord::Make(kDec04 + 60u * static_cast<unsigned>(i), -33.5f + 0.37f * i,
                                    151.2f - 2.9f * i, 10.0f + 3.5f * i));
  return out;
}

class TrackExport : public ::testing::Test {
 protected:
  void SetUp() override { SetProcessTimeZone(0); }
  void TearDown() override { ClearProcessTimeZone(); }

  std::filesystem::path Trl(const std::vector<TrackRecord>& records, const std::string& tail = {}) {
    const auto path = dir.path() / "track.trl";
    formatstest::WriteAll(path, RecordBytes(records) + tail);
    return path;
  }

  // Runs one writer on a TRL file and returns the output bytes.
  std::string Convert(TrackOutputFormat format, const std::vector<TrackRecord>& records,
                      const std::string& tail = {}) {
    const auto trl = Trl(records, tail);
    const auto out = CTrackLogExport::MakeOutputFileName(trl.string(), format);
    std::string error;
    EXPECT_TRUE(CTrackLogExport::ConvertTrlFile(trl.string(), out, format, &error)) << error;
    lastOutput = out;
    return ReadAll(out);
  }

  testsupport::TempDir dir;
  std::filesystem::path lastOutput;
};

}  // namespace

TEST(TrackRecordCheck, XorOfFirstFifteenBytes) {
  TrackRecord r = TrackRecord::Make(kDec04, 24.5f, 121.5f, 100.0f);
  BYTE x = 0;
  for (int i = 0; i < 15; ++i) x ^= r.bytes[i];
  EXPECT_EQ(CTrackLogExport::CheckRecord(r.bytes), x);
  EXPECT_EQ(r.bytes[15], x);
  // The altitude keeps only the three high bytes of the float.
  EXPECT_FLOAT_EQ(TrackRecord::Make(0, 0, 0, 127.9f).Altitude(), 127.8984375f);
}

TEST(Gprmc, ExampleSentenceAndChecksum) {
  char buffer[kGprmcBufferSize];
  const int n = CTrackLogExport::FormatGprmc(buffer, 121.485058f, 24.997132f, kDec04);
  const std::string body = "$GPRMC,120000,A,2459.827881,N,12129.103699,E,0,0,041206,,*";
  BYTE sum = 0;
  for (size_t i = 1; i + 1 < body.size(); ++i) sum ^= static_cast<BYTE>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "%02x\r\n", sum);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), body + tail);
  EXPECT_EQ(CTrackLogExport::NmeaChecksum(buffer), sum);
}

TEST(Gprmc, ChecksumStopsAtStarOrLineEndAndIsLowerCase) {
  EXPECT_EQ(CTrackLogExport::NmeaChecksum("$AB*CD"), 'A' ^ 'B');
  EXPECT_EQ(CTrackLogExport::NmeaChecksum("$AB\r\nCD"), 'A' ^ 'B');
  char buffer[kGprmcBufferSize];
  for (std::uint32_t t = kDec04; t < kDec04 + 40; ++t) {
    const std::string s(buffer,
                        static_cast<size_t>(CTrackLogExport::FormatGprmc(buffer, 1.0f, 2.0f, t)));
    const std::string hex = s.substr(s.find('*') + 1, 2);
    EXPECT_EQ(hex.find_first_of("ABCDEF"), std::string::npos) << s;
    EXPECT_EQ(s.substr(s.size() - 2), "\r\n");
    EXPECT_EQ(s.find("\r\n"), s.size() - 2);
  }
}

TEST(Gprmc, CoordinateTexts) {
  char buffer[kGprmcBufferSize];
  auto sentence = [&](float lon, float lat) {
    return std::string(buffer,
                       static_cast<size_t>(CTrackLogExport::FormatGprmc(buffer, lon, lat, kDec04)));
  };
  EXPECT_NE(sentence(-0.5f, 5.25f).find(",A,515.000000,N,030.000000,W,"), std::string::npos);
  EXPECT_NE(sentence(24.125f, 24.5f).find(",A,2430.000000,N,2407.500000,E,"), std::string::npos);
  // 9.99 minutes get the 0 between degrees and minutes; 10 and more do not.
  EXPECT_NE(sentence(10.0f + 9.99f / 60, -(3.0f + 10.0f / 60)).find("310.0000"), std::string::npos);
  EXPECT_NE(sentence(10.0f + 9.99f / 60, 1.0f).find(",1009.9"), std::string::npos);
  EXPECT_NE(sentence(1.0f, -(3.0f + 10.0f / 60)).find(",S,"), std::string::npos);
  // A coordinate that has no degrees gives no sentence.
  for (const float bad : {NAN, INFINITY, 1e20f, -181.0f})
    EXPECT_EQ(CTrackLogExport::FormatGprmc(buffer, bad, 1.0f, kDec04), 0) << bad;
  EXPECT_EQ(CTrackLogExport::FormatGprmc(buffer, 1.0f, 90.5f, kDec04), 0);
}

TEST(OutputFileName, ReplacesExtensionAfterLastSeparator) {
  using E = CTrackLogExport;
  EXPECT_EQ(E::MakeOutputFileName("D:\\logs\\a.trl", kTrackOutputNmea), "D:\\logs\\aNMEA.txt");
  EXPECT_EQ(E::MakeOutputFileName("D:\\a.b\\track.trl", kTrackOutputKml), "D:\\a.b\\track.kml");
  EXPECT_EQ(E::MakeOutputFileName("/x/a.b/track.trl", kTrackOutputGpx), "/x/a.b/track.gpx");
  EXPECT_EQ(E::MakeOutputFileName("/x/a.b/track.trl", kTrackOutputText), "/x/a.b/track.txt");
  // A folder with a '.' keeps its name; a name without one gets the extension.
  EXPECT_EQ(E::MakeOutputFileName("D:\\a.b\\track", kTrackOutputKml), "D:\\a.b\\track.kml");
  EXPECT_EQ(E::MakeOutputFileName("/x/a.b/track", kTrackOutputNmea), "/x/a.b/trackNMEA.txt");
  EXPECT_EQ(E::MakeOutputFileName("track.tr", kTrackOutputKml), "track.kml");
  EXPECT_EQ(E::MakeOutputFileName("track.trlx", kTrackOutputText), "track.txt");
  EXPECT_EQ(E::MakeOutputFileName("track.trl", 7), "");
}

TEST_F(TrackExport, TextLinesWithZoneAndCrLf) {
  const std::string text =
      Convert(kTrackOutputText, {TrackRecord::Make(kDec04, 24.997132f, 121.485058f, 127.9f)});
  EXPECT_EQ(text, "121.4850616,24.9971313,127.90,Mon Dec 04 12:00:00 2006\r\n");

  SetProcessTimeZone(8);
  EXPECT_EQ(SplitCrLf(Convert(kTrackOutputText, {TrackRecord::Make(0, 1.0f, 2.0f, 0.0f)}))[0],
            "2.0000000,1.0000000,0.00,Thu Jan 01 08:00:00 1970");
  // GPX and NMEA stay in UTC whatever the zone.
  EXPECT_NE(Convert(kTrackOutputGpx, {TrackRecord::Make(0, 1.0f, 2.0f, 0.0f)})
                .find("<time>1970-01-01T00:00:00Z</time>"),
            std::string::npos);
  EXPECT_EQ(Convert(kTrackOutputNmea, {TrackRecord::Make(0, 1.0f, 2.0f, 0.0f)})
                .rfind("$GPRMC,000000,A,100.000000,N,200.000000,E,0,0,010170,,*", 0),
            0u);
  SetProcessTimeZone(-5);
  EXPECT_EQ(SplitCrLf(Convert(kTrackOutputText, {TrackRecord::Make(0, 1.0f, 2.0f, 0.0f)}))[0],
            "2.0000000,1.0000000,0.00,Wed Dec 31 19:00:00 1969");
}

TEST_F(TrackExport, ZoneTraceAndRule) {
  testing::internal::CaptureStdout();
  CTrackLogExport::SetConversionTimeZone(8);
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(trace, "_daylight = 0\n_timezone = -28800\n_tzname[0] = TMP\n");
  std::tm tm{};
  ASSERT_TRUE(ProcessLocalTime(0, tm));
  EXPECT_EQ(tm.tm_hour, 8);
  EXPECT_EQ(GetProcessTimeZone(), 8);
}

TEST_F(TrackExport, InvalidAndTrailingBytesAreSkipped) {
  auto records = Track(3);
  records[1].bytes[15] ^= 1;  // bad check byte
  const std::string text = Convert(kTrackOutputText, records, "0123456789");
  EXPECT_EQ(SplitCrLf(text).size(), 2u);
  EXPECT_EQ(Convert(kTrackOutputNmea, {}, "short"), "");
  EXPECT_EQ(Convert(kTrackOutputText, {}), "");
}

TEST_F(TrackExport, NonFiniteOrOutOfRangeRecordsAreSkippedEverywhere) {
  auto records = Track(2);
  records.push_back(TrackRecord::Make(kDec04, NAN, 1.0f, 1.0f));
  records.push_back(TrackRecord::Make(kDec04, 1.0f, INFINITY, 1.0f));
  records.push_back(TrackRecord::Make(kDec04, 91.0f, 1.0f, 1.0f));
  records.push_back(TrackRecord::Make(kDec04, 1.0f, -180.5f, 1.0f));
  records.push_back(TrackRecord::Make(kDec04, 1.0f, 1.0f, NAN));
  for (TrackOutputFormat f :
       {kTrackOutputText, kTrackOutputKml, kTrackOutputNmea, kTrackOutputGpx}) {
    const std::string out = Convert(f, records);
    EXPECT_EQ(out.find("nan"), std::string::npos) << f;
    EXPECT_EQ(out.find("inf"), std::string::npos) << f;
    EXPECT_EQ(out.find("91."), std::string::npos) << f;
    EXPECT_EQ(out.find("180.5"), std::string::npos) << f;
  }
  EXPECT_EQ(SplitCrLf(Convert(kTrackOutputNmea, records)).size(), 2u);
  const std::string kml = Convert(kTrackOutputKml, records);
  // The second valid record is the finish point: skipped records take no number.
  EXPECT_NE(kml.find("#styleMap_TLP_Finish"), std::string::npos);
}

TEST_F(TrackExport, TimesAfter2038AreConverted) {
  const std::uint32_t t = 0x80000000u + 3600;  // 2038-01-19 04:14:08 UTC
  const std::string gpx = Convert(kTrackOutputGpx, {TrackRecord::Make(t, 1.0f, 2.0f, 3.0f)});
  EXPECT_NE(gpx.find("<time>2038-01-19T04:14:08Z</time>"), std::string::npos);
  EXPECT_NE(Convert(kTrackOutputText, {TrackRecord::Make(t, 1.0f, 2.0f, 3.0f)}).find("2038"),
            std::string::npos);
}

TEST_F(TrackExport, KmlStructure) {
  const std::string kml = Convert(kTrackOutputKml, Track(3));
  const auto lines = SplitCrLf(kml);
  EXPECT_TRUE(formatstest::OnlyCrLf(kml));
  ASSERT_GT(lines.size(), 150u);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(lines[1], "<kml xmlns=\"http://earth.google.com/kml/2.1\">");
  EXPECT_EQ(lines[2], "<Document>");
  EXPECT_EQ(lines[3], "<Style id=\"normalState_TLP_Start\">");
  EXPECT_EQ(lines[7], "<href>http://maps.google.com/mapfiles/kml/pal4/icon15.png</href>");
  EXPECT_EQ(lines[3 + 33], "<Style id=\"normalState_TLP_Finish\">");
  EXPECT_EQ(lines[3 + 66 + 4], "<href>http://maps.google.com/mapfiles/kml/pal4/icon31.png</href>");
  EXPECT_EQ(lines[3 + 99 + 11 + 4],
            "<href>http://maps.google.com/mapfiles/kml/pal4/icon38.png</href>");
  EXPECT_EQ(lines[3 + 132], "<Style id=\"roadStyle\">");
  EXPECT_EQ(lines[3 + 132 + 8], "<name>Track Log</name>");
  EXPECT_EQ(lines[3 + 132 + 14], "<coordinates>");
  const std::string& tuples = lines[3 + 132 + 15];
  EXPECT_EQ(tuples.substr(0, 30), "151.1999969,-33.5000000,10.00 ");
  EXPECT_EQ(tuples.substr(tuples.size() - 20), "17.00 </coordinates>");
  EXPECT_EQ(lines[3 + 132 + 20], "<name>waypoints</name>");
  EXPECT_EQ(lines[3 + 132 + 21], "<Placemark>");
  EXPECT_EQ(lines[3 + 132 + 22], "<name>Mon Dec 04 12:00:00 2006</name>");
  EXPECT_EQ(lines[3 + 132 + 23], "<styleUrl>#styleMap_TLP_Start</styleUrl>");
  EXPECT_EQ(lines[3 + 132 + 25], "<coordinates>151.1999969,-33.5000000,10.00</coordinates>");
  EXPECT_EQ(lines[3 + 132 + 23 + 7], "<styleUrl>#styleMap_TLP_Normal</styleUrl>");
  EXPECT_EQ(lines[3 + 132 + 23 + 14], "<styleUrl>#styleMap_TLP_Finish</styleUrl>");
  EXPECT_EQ(lines[lines.size() - 3], "</Folder>");
  EXPECT_EQ(lines.back(), "</kml>");
  EXPECT_EQ(kml.find("<styleUrl>#styleMap_TLP_Photo"), std::string::npos);
}

TEST_F(TrackExport, KmlEmptyAndSingleRecord) {
  const std::string empty = Convert(kTrackOutputKml, {});
  EXPECT_NE(empty.find("<coordinates>\r\n</coordinates>\r\n"), std::string::npos);
  EXPECT_NE(empty.find("<name>waypoints</name>\r\n</Folder>"), std::string::npos);
  EXPECT_NE(empty.find("normalState_TLP_Photo"), std::string::npos);
  const std::string one = Convert(kTrackOutputKml, Track(1));
  EXPECT_NE(one.find("#styleMap_TLP_Start"), std::string::npos);
  EXPECT_EQ(one.find("#styleMap_TLP_Finish"), std::string::npos);
}

TEST_F(TrackExport, KmlIsWellFormed) {
  SKIP_WITHOUT_XMLLINT();
  for (int n : {0, 1, 5}) {
    Convert(kTrackOutputKml, Track(n));
    EXPECT_EQ(formatstest::Xmllint(lastOutput), 0) << n << " points";
  }
}

TEST_F(TrackExport, GpxStructureAndSchema) {
  const std::string gpx = Convert(kTrackOutputGpx, Track(2));
  EXPECT_TRUE(formatstest::OnlyCrLf(gpx));
  const auto lines = SplitCrLf(gpx);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\"?>");
  EXPECT_EQ(lines[1], "<gpx");
  EXPECT_EQ(lines[3], "creator=\"Vanto Utility\"");
  EXPECT_EQ(lines[7], "<wpt lat=\"-33.500000\" lon=\"151.199997\">");
  EXPECT_EQ(lines[8], "<ele>10.00</ele>");
  EXPECT_EQ(lines[9], "<time>2006-12-04T12:00:00Z</time>");
  EXPECT_EQ(lines[10], "<name><![CDATA[Point 0]]></name>");
  EXPECT_EQ(lines[12].substr(0, 4), "<wpt");
  EXPECT_EQ(lines[15], "<name><![CDATA[Point 1]]></name>");
  EXPECT_EQ(lines[17], "<rte>");
  EXPECT_EQ(lines[19].substr(0, 6), "<rtept");
  EXPECT_EQ(lines[22], "<name><![CDATA[Point 0]]></name>");
  EXPECT_EQ(lines[lines.size() - 2], "</rte>");
  EXPECT_EQ(lines.back(), "</gpx>");

  SKIP_WITHOUT_XMLLINT();
  const std::string schema = formatstest::SchemaPath("gpx/gpx10.xsd");
  if (schema.empty()) GTEST_SKIP() << "GPX 1.0 schema not found";
  for (int n : {0, 1, 7}) {
    SetProcessTimeZone(n - 3);  // GPX times are UTC whatever the zone
    const std::string out = Convert(kTrackOutputGpx, Track(n));
    if (n == 1) {
      EXPECT_NE(out.find("<time>2006-12-04T12:00:00Z</time>"), std::string::npos);
    }
    EXPECT_EQ(formatstest::Xmllint(lastOutput, schema), 0) << n << " points";
  }
}

TEST_F(TrackExport, EmptyGpxHasEmptyRoute) {
  const std::string gpx = Convert(kTrackOutputGpx, {});
  EXPECT_EQ(gpx.find("<wpt"), std::string::npos);
  EXPECT_NE(gpx.find("<rte>\r\n<name>Route</name>\r\n</rte>\r\n</gpx>\r\n"), std::string::npos);
}

// The exports read back through a reader of our own give the same positions
// and times.
TEST_F(TrackExport, RoundTripsThroughIndependentReaders) {
  const auto track = Track(25);
  const auto text = SplitCrLf(Convert(kTrackOutputText, track));
  const auto nmea = SplitCrLf(Convert(kTrackOutputNmea, track));
  const std::string gpx = Convert(kTrackOutputGpx, track);
  ASSERT_EQ(text.size(), track.size());
  ASSERT_EQ(nmea.size(), track.size());
  const std::regex wpt(
      "<wpt lat=\"([-0-9.]+)\" lon=\"([-0-9.]+)\">\r\n<ele>[-0-9.]+</ele>\r\n"
      "<time>(\\d+)-(\\d+)-(\\d+)T(\\d+):(\\d+):(\\d+)Z</time>");
  auto it = std::sregex_iterator(gpx.begin(), gpx.end(), wpt);
  for (size_t i = 0; i < track.size(); ++i, ++it) {
    const TrackRecord& r = track[i];
    std::tm tm{};
    const std::time_t t = r.Time();
    gmtime_r(&t, &tm);

    double lon, lat, alt;
    char when[40] = {};
    ASSERT_EQ(std::sscanf(text[i].c_str(), "%lf,%lf,%lf,%39[^\r]", &lon, &lat, &alt, when), 4);
    EXPECT_NEAR(lon, r.Longitude(), 1e-6);
    EXPECT_NEAR(lat, r.Latitude(), 1e-6);
    EXPECT_NEAR(alt, r.Altitude(), 0.006);
    char expected[40];
    std::strftime(expected, sizeof expected, "%a %b %d %H:%M:%S %Y", &tm);
    EXPECT_STREQ(when, expected);

    int hms, dmy;
    double latField, lonField;
    char ns, ew;
    ASSERT_EQ(std::sscanf(nmea[i].c_str(), "$GPRMC,%d,A,%lf,%c,%lf,%c,0,0,%d,,*", &hms, &latField,
                          &ns, &lonField, &ew, &dmy),
              6)
        << nmea[i];
    const double nmeaLat =
        (std::floor(latField / 100) + std::fmod(latField, 100) / 60) * (ns == 'S' ? -1 : 1);
    const double nmeaLon =
        (std::floor(lonField / 100) + std::fmod(lonField, 100) / 60) * (ew == 'W' ? -1 : 1);
    EXPECT_NEAR(nmeaLat, r.Latitude(), 1e-5);
    EXPECT_NEAR(nmeaLon, r.Longitude(), 1e-5);
    EXPECT_EQ(hms, tm.tm_hour * 10000 + tm.tm_min * 100 + tm.tm_sec);
    EXPECT_EQ(dmy, tm.tm_mday * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_year % 100);

    ASSERT_NE(it, std::sregex_iterator());
    EXPECT_NEAR(std::stod((*it)[1]), r.Latitude(), 1e-6);
    EXPECT_NEAR(std::stod((*it)[2]), r.Longitude(), 1e-6);
    EXPECT_EQ(std::stoi((*it)[6]), tm.tm_hour);
    EXPECT_EQ(std::stoi((*it)[7]), tm.tm_min);
  }
}

TEST_F(TrackExport, ConversionNeverOverwritesItsInput) {
  const auto trl = Trl(Track(2));
  const std::string before = ReadAll(trl);
  std::string error;
  EXPECT_FALSE(
      CTrackLogExport::ConvertTrlFile(trl.string(), trl.string(), kTrackOutputKml, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadAll(trl), before);
  // The same file reached through a link is refused too.
  const auto link = dir.path() / "link.kml";
  std::filesystem::create_hard_link(trl, link);
  EXPECT_FALSE(CTrackLogExport::ConvertTrlFile(trl.string(), link.string(), kTrackOutputKml));
  EXPECT_EQ(ReadAll(trl), before);
}

TEST_F(TrackExport, FailedConversionReportsAndKeepsOldOutput) {
  const auto trl = Trl(Track(2));
  std::string error;
  EXPECT_FALSE(CTrackLogExport::ConvertTrlFile((dir.path() / "missing.trl").string(),
                                               (dir.path() / "x.kml").string(), kTrackOutputKml,
                                               &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.kml"));

  EXPECT_FALSE(CTrackLogExport::ConvertTrlFile(
      trl.string(), (dir.path() / "no/such/x.kml").string(), kTrackOutputKml, &error));
  EXPECT_NE(error.find("Cannot create"), std::string::npos) << error;

  // An output that already exists is replaced only by a complete file.
  const auto out = dir.path() / "old.kml";
  formatstest::WriteAll(out, "old");
  ::chmod(dir.path().c_str(), 0500);
  const bool canWrite = ::access((dir.path() / ".").c_str(), W_OK) == 0;  // root ignores modes
  if (!canWrite) {
    EXPECT_FALSE(
        CTrackLogExport::ConvertTrlFile(trl.string(), out.string(), kTrackOutputKml, &error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(out), "old");
  }
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_TRUE(CTrackLogExport::ConvertTrlFile(trl.string(), out.string(), kTrackOutputKml));
  EXPECT_NE(ReadAll(out), "old");
}

TEST_F(TrackExport, WritersReportAFullDisk) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  std::FILE* source = std::fopen(Trl(Track(300)).c_str(), "rb");
  ASSERT_NE(source, nullptr);
  for (TrackOutputFormat f :
       {kTrackOutputText, kTrackOutputKml, kTrackOutputNmea, kTrackOutputGpx}) {
    std::clearerr(full);
    EXPECT_FALSE(CTrackLogExport::WriteFormat(f, source, full)) << f;
  }
  std::fclose(source);
  std::fclose(full);
}

TEST(FixedText, SameCharactersAsPrintf) {
  // Exact halfway values round as printf rounds them.
  for (const double tie : {0.125, 0.375, -0.625, 1.125, 0.00390625, -121.00390625}) {
    for (const int decimals : {2, 7}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%.*f", decimals, tie);
      std::string got;
      AppendFixed(got, tie, decimals);
      EXPECT_EQ(got, expected);
    }
  }
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int i = 0; i < 20000; ++i) {
    float f;
    const std::uint32_t bits = next();
    std::memcpy(&f, &bits, sizeof f);
    const double values[] = {static_cast<double>(f),
                             (static_cast<int>(next()) % 3600000000LL) * 1e-7,
                             (static_cast<int>(next()) % 100000) * 0.01, 0.005 * (i - 10000)};
    for (const double v : values) {
      if (!std::isfinite(v) || std::fabs(v) > 1e30) continue;
      for (const int decimals : {2, 6, 7}) {
        char expected[512];
        std::snprintf(expected, sizeof expected, "%4.*f", decimals, v);
        std::string got;
        AppendFixed(got, v, decimals);
        ASSERT_EQ(got, expected) << decimals;
      }
    }
  }
}

TEST_F(TrackExport, PageConvertFileWritesItsCurrentFormat) {
  const auto trl = Trl(Track(2));
  CPageTrackLogFormat page;
  EXPECT_FALSE(page.ConvertFile());  // no streams
  const auto out = dir.path() / "out.txt";
  for (const TrackOutputFormat format : {kTrackOutputNmea, 7}) {
    page.m_nFormat = format;
    page.m_pSource = std::fopen(trl.c_str(), "rb");
    page.m_pOutput = std::fopen(out.c_str(), "w");
    ASSERT_TRUE(page.m_pSource != nullptr && page.m_pOutput != nullptr);
    EXPECT_EQ(page.ConvertFile() != FALSE, format == kTrackOutputNmea);
    std::fclose(page.m_pSource);
    std::fclose(page.m_pOutput);
    const std::string text = ReadAll(out);
    if (format == kTrackOutputNmea)
      EXPECT_EQ(text.rfind("$GPRMC,120000,A,", 0), 0u) << text;
    else
      EXPECT_EQ(text, "");  // an unknown format writes nothing
  }
}
