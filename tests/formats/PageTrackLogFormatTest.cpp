// The format conversion page: zone from the system, Convert with its outputs
// and failures, and Defaults.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "app/PageCommand.h"
#include "common/UtilityManager.h"
#include "formats/FormatsTestUtil.h"
#include "formats/PageTrackLogFormat.h"
#include "platform/ProcessTimeZone.h"
#include "platform/TimeZone.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

using formatstest::ReadAll;

namespace {

class FormatPage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(page.Create(IDD_PAGE_TRACKLOG_FORMAT, nullptr)); }
  void TearDown() override {
    page.DestroyWindow();
    SetSystemTimeZoneForTesting(nullptr);
    ClearProcessTimeZone();
  }

  // A TRL of three points picked through the page's chooser.
  std::filesystem::path PickSource(const std::string& name) {
    const auto path = dir.path() / name;
    std::vector<TrackRecord> records;
    for (int i = 0; i < 3; ++i)
      records.push_back(TrackRecord::Make(1165233600u + 60u * i, 24.9f, 121.4f + 0.1f * i, 12.0f));
    formatstest::WriteAll(path, formatstest::RecordBytes(records));
    ui.AnswerFileDialog(path.string());
    page.OnSelectSource();
    return path;
  }
  void Tick(int id, bool on) {
    page.CheckDlgButton(id, on ? 1 : 0);
    page.OnOutputCheck();
  }
  void TickAll() {
    for (int id :
         {IDC_FORMAT_OUT_TEXT, IDC_FORMAT_OUT_KML, IDC_FORMAT_OUT_NMEA, IDC_FORMAT_OUT_GPX})
      Tick(id, true);
  }
  std::string Status() const { return page.GetDlgItem(IDC_FORMAT_STATUS)->GetWindowTextString(); }

  ScriptedUi ui;
  testsupport::TempDir dir;
  CPageTrackLogFormat page;
};

}  // namespace

TEST_F(FormatPage, ZoneFromTheSystemBias) {
  struct Case {
    const char* rule;
    int zone;
    int selection;
  } const cases[] = {
      {"TMP-8", 8, 5},    {"TMP5", -5, 18}, {"IST-5:30", 5, 8},  // half hours are cut off
      {"UTC0", 0, -1},                                           // "-0" matches no entry
      {"TMP-14", 14, -1},                                        // beyond the list
  };
  for (const Case& c : cases) {
    SetSystemTimeZoneForTesting(c.rule);
    page.m_comboTimeZone.SetCurSel(3);
    page.InitTimeZone();
    EXPECT_EQ(page.m_nTimeZone, c.zone) << c.rule;
    EXPECT_EQ(page.m_comboTimeZone.GetCurSel(), c.selection) << c.rule;
    int photoZone = 99;
    g_utilityManager.GetPhotoTimeZone(photoZone);
    EXPECT_EQ(photoZone, c.zone) << c.rule;
  }
  // RefreshTimeZone also reads the controls into the members.
  SetSystemTimeZoneForTesting("TMP-9");
  page.CheckDlgButton(IDC_FORMAT_OUT_GPX, 1);
  page.RefreshTimeZone();
  EXPECT_EQ(page.m_nTimeZone, 9);
  EXPECT_EQ(page.m_bOutGpx, 1);

  ASSERT_EQ(page.m_comboTimeZone.GetCount(), 26);
  page.m_comboTimeZone.SetCurSel(0);
  page.OnSelchangeTimeZone();
  EXPECT_EQ(page.m_nTimeZone, 13);
  page.m_comboTimeZone.SetCurSel(25);
  page.OnSelchangeTimeZone();
  EXPECT_EQ(page.m_nTimeZone, -12);
}

TEST_F(FormatPage, ConvertWritesEveryTickedOutputBesideTheSource) {
  const auto trl = PickSource("day.trl");
  EXPECT_EQ(page.GetDlgItem(IDC_FORMAT_SOURCE_PATH)->GetWindowTextString(), trl.string());
  ASSERT_EQ(ui.FileDialogs().size(), 1u);
  EXPECT_EQ(ui.FileDialogs()[0].filter, "Track Log (*.trl)|*.trl|");
  TickAll();
  page.m_nTimeZone = 8;
  page.OnConvert();
  EXPECT_EQ(Status(), "Convert Successfully!");
  EXPECT_EQ(ui.MessageBoxCount(), 0u);
  for (const char* name : {"day.txt", "day.kml", "dayNMEA.txt", "day.gpx"})
    EXPECT_TRUE(std::filesystem::exists(dir.path() / name)) << name;
  // Local times in zone +8.
  EXPECT_NE(ReadAll(dir.path() / "day.txt").find("Mon Dec 04 20:00:00 2006"), std::string::npos);
  EXPECT_EQ(ReadAll(dir.path() / "dayNMEA.txt").rfind("$GPRMC,120000,A,", 0), 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            5);  // no temporary file is left
}

TEST_F(FormatPage, OutputNames) {
  const auto name = CPageTrackLogFormat::ConvertOutputName;
  EXPECT_EQ(name("/d/track.trl", kTrackOutputNmea), "/d/trackNMEA.txt");
  EXPECT_EQ(name("/d/track.TRL", kTrackOutputGpx), "/d/track.gpx");
  // A shorter extension or none never cuts into the name or the folder.
  EXPECT_EQ(name("/d/track.tr", kTrackOutputText), "/d/track.tr.txt");
  EXPECT_EQ(name("/d.xyz/abc", kTrackOutputKml), "/d.xyz/abc.kml");
  EXPECT_EQ(name("/d/ab", kTrackOutputNmea), "/d/abNMEA.txt");
  EXPECT_EQ(name("/d/.trl", kTrackOutputKml), "/d/.trl.kml");
  // Paths of any length.
  const std::string deep = "/" + std::string(600, 'x') + "/t.trl";
  EXPECT_EQ(name(deep, kTrackOutputNmea), deep.substr(0, deep.size() - 4) + "NMEA.txt");
}

TEST_F(FormatPage, ConvertRefusesToOverwriteItsSource) {
  const auto source = PickSource("picked.kml");  // not a .trl, picked anyway
  const std::string before = ReadAll(source);
  TickAll();
  page.OnConvert();
  EXPECT_EQ(ReadAll(source), before);
  ASSERT_EQ(ui.MessageBoxCount(), 1u);
  EXPECT_EQ(ui.LastMessageBox().text, "The output file " + source.string() +
                                          " is the track log file itself; it was left unchanged.");
  EXPECT_EQ(ui.LastMessageBox().Icon(), MB_ICONSTOP);
  EXPECT_EQ(Status(), "Convert Failed!");
  // The other outputs are written.
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "picked.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "picked.gpx"));
}

TEST_F(FormatPage, ConvertReportsFailuresNamingTheFile) {
  page.OnConvert();  // nothing chosen yet
  EXPECT_EQ(ui.LastMessageBox().text, "Please select Vanto track log source file(*.trl).");
  EXPECT_EQ(ui.LastMessageBox().caption, "VANTO Navrel");

  const auto trl = PickSource("gone.trl");
  std::filesystem::remove(trl);
  page.OnConvert();
  EXPECT_EQ(
      ui.LastMessageBox().text.rfind("Cannot open the track log file " + trl.string() + ".", 0), 0u)
      << ui.LastMessageBox().text;
  EXPECT_EQ(Status(), "Convert Failed!");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone.kml"));

  // A full disk: the earlier good output stays as it was.
  PickSource("full.trl");
  const auto kml = dir.path() / "full.kml";
  formatstest::WriteAll(kml, "earlier");
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 200;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  page.OnConvert();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(ui.LastMessageBox().text.rfind("Cannot write the output file " + kml.string() + ".", 0),
            0u)
      << ui.LastMessageBox().text;
  EXPECT_NE(ui.LastMessageBox().text.find("File too large"), std::string::npos);
  EXPECT_EQ(Status(), "Convert Failed!");
  EXPECT_EQ(ReadAll(kml), "earlier");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
}

TEST_F(FormatPage, OutputsGetTheUmaskOrTheReplacedModeAndWriteProtectedOnesAreKept) {
  namespace fs = std::filesystem;
  PickSource("mode.trl");
  Tick(IDC_FORMAT_OUT_TEXT, true);
  Tick(IDC_FORMAT_OUT_GPX, true);
  formatstest::WriteAll(dir.path() / "mode.txt", "earlier");
  fs::permissions(dir.path() / "mode.txt", fs::perms(0640));
  formatstest::WriteAll(dir.path() / "mode.gpx", "protected");
  fs::permissions(dir.path() / "mode.gpx", fs::perms(0444));
  const mode_t saved = ::umask(077);
  page.OnConvert();
  ::umask(saved);
  EXPECT_EQ(fs::status(dir.path() / "mode.kml").permissions(), fs::perms(0600));
  EXPECT_EQ(fs::status(dir.path() / "mode.txt").permissions(), fs::perms(0640));
  EXPECT_NE(ReadAll(dir.path() / "mode.txt"), "earlier");
  // Refused, as opening it for writing is, with a message naming it.
  EXPECT_EQ(ReadAll(dir.path() / "mode.gpx"), "protected");
  EXPECT_EQ(ui.LastMessageBox().text, "Cannot write the output file " +
                                          (dir.path() / "mode.gpx").string() +
                                          ".\nPermission denied");
  EXPECT_EQ(Status(), "Convert Failed!");
}

TEST_F(FormatPage, ConvertRemovesTheTemporariesOfKilledConversions) {
  PickSource("k.trl");
  // A conversion killed (-9) half-way left its temporary.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  const auto stale = dir.path() / ("k.kml.tmp." + std::to_string(child) + ".0");
  formatstest::WriteAll(stale, "<kml");
  page.OnConvert();
  EXPECT_EQ(Status(), "Convert Successfully!");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"k.kml", "k.trl"}));
}

TEST_F(FormatPage, DefaultsKeepThePhotoZone) {
  SetSystemTimeZoneForTesting("TMP-8");
  page.InitTimeZone();
  TickAll();
  Tick(IDC_FORMAT_OUT_KML, false);
  page.SendMessage(WM_PAGE_COMMAND, PAGECMD_DEFAULTS, 0);
  EXPECT_EQ(page.m_nTimeZone, 0);
  EXPECT_EQ(page.m_comboTimeZone.GetCurSel(), 13);
  EXPECT_EQ(page.m_nFormat, kTrackOutputKml);
  EXPECT_EQ(page.m_nFormatChoice, kTrackOutputKml);
  EXPECT_EQ(std::vector<int>({page.m_bOutText, page.m_bOutKml, page.m_bOutNmea, page.m_bOutGpx}),
            std::vector<int>({0, 1, 0, 0}));
  for (int id : {IDC_FORMAT_OUT_TEXT, IDC_FORMAT_OUT_NMEA, IDC_FORMAT_OUT_GPX})
    EXPECT_FALSE(page.IsDlgButtonChecked(id));
  EXPECT_TRUE(page.IsDlgButtonChecked(IDC_FORMAT_OUT_KML));
  int photoZone = 0;
  g_utilityManager.GetPhotoTimeZone(photoZone);
  EXPECT_EQ(photoZone, 8);
  // Enter and Escape leave the page as it is.
  page.SendMessage(WM_PAGE_COMMAND, PAGECMD_OK, 0);
  page.SendMessage(WM_PAGE_COMMAND, PAGECMD_CANCEL, 0);
  EXPECT_TRUE(page.GetSafeHwnd() != nullptr);
}
