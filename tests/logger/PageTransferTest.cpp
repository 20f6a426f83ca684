// Upload, Clear and the waypoint send of the two pages against the simulated
// logger's block protocol: what arrives, and the status each outcome shows.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "formats/BlockTrackDecoder.h"
#include "link/IsolatedPorts.h"
#include "logger/PageTrackLogSetting.h"
#include "logger/PageWayPointSetting.h"
#include "logger/SimBridgePort.h"
#include "platform/ProcessTimeZone.h"
#include "platform/Sleep.h"
#include "sim/BlockProtocolSim.h"
#include "sim/SimLogger.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class PageTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(logger.Ok());
    block = sim::InstallBlockProtocol(logger);
    // The logger answers the wake at once: the wake must leave that byte to
    // the exchange.
    sim::BlockFaults quick;
    quick.wakeDelayMs = 2;
    block->SetFaults(quick);
    announcement = AttachSimulatedBridge(logger, device, "pages");
    ASSERT_FALSE(announcement.empty());
    g_utilityManager = CUtilityManager();
    g_bPortOpen = TRUE;
    SetProcessTimeZone(0);
    settings.SetDevicePage(&device);
    ASSERT_TRUE(settings.Create(IDD_PAGE_TRACKLOG_SETTING, nullptr));
    waypoints.SetDevicePage(&device);
    ASSERT_TRUE(waypoints.Create(IDD_PAGE_WAYPOINT_SETTING, nullptr));
  }
  void TearDown() override {
    settings.DestroyWindow();
    waypoints.DestroyWindow();
    ClearProcessTimeZone();
    SetSleepFunction({});
    device.ClosePort();
    WithdrawSimulatedPort(announcement);
    g_bPortOpen = FALSE;
  }

  // Runs a job of a page to its end and returns its status line.
  template <class Page>
  std::string Run(Page& page, void (Page::*handler)(), int statusId) {
    (page.*handler)();
    EXPECT_NE(page.GetWorkerThread(), nullptr);
    if (CWinThread* worker = page.GetWorkerThread()) {
      EXPECT_EQ(worker->Wait(60000), static_cast<DWORD>(WAIT_OBJECT_0));
    }
    return page.GetDlgItem(statusId)->GetWindowTextString();
  }
  std::string Upload(const std::filesystem::path& path) {
    ui.AnswerFileDialog(path.string());
    return Run(settings, &CPageTrackLogSetting::OnUpload, IDC_TLS_TRANSFER_STATUS);
  }
  std::string SendWaypointFile(const std::filesystem::path& path) {
    ui.AnswerFileDialog(path.string());
    return Run(waypoints, &CPageWayPointSetting::OnDownload, IDC_WPT_STATUS);
  }
  // What the decoder makes of the logger's own log, as text or KML.
  std::string Decoded(int format) {
    const std::vector<std::uint8_t> bytes = block->LogBytes();
    BlockPointTables tables;
    std::FILE* text = std::tmpfile();
    for (std::size_t at = 0; at + 512 <= bytes.size(); at += 512)
      DecodeBlockRecords(tables, bytes.data() + at, format, text, static_cast<int>(bytes.size()),
                         static_cast<int>(at));
    if (format == kBlockOutputKml) WriteBlockKml(tables, text);
    std::fflush(text);
    std::rewind(text);
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, text)) > 0;)
      out.append(buffer, n);
    std::fclose(text);
    return out;
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& box : ui.MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  IsolatedPorts isolated;
  testsupport::TempDir dir;
  sim::SimLogger logger;
  std::shared_ptr<sim::BlockProtocolSim> block;
  std::string announcement;
  CPageDeviceSetting device;
  CPageTrackLogSetting settings;
  CPageWayPointSetting waypoints;
  ScriptedUi ui;
};

constexpr char kUploaded[] = "Upload Successfully. Please power off and then power on device.";

TEST_F(PageTransferTest, UploadGivesTheLogAsRawTextAndKml) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(11, 70));
  ASSERT_EQ(Upload(dir.path() / "log.trl"), kUploaded) << testing::PrintToString(Boxes());
  const std::vector<std::uint8_t> raw = block->LogBytes();
  EXPECT_EQ(ReadFile(dir.path() / "log.trl"), std::string(raw.begin(), raw.end()));
  EXPECT_EQ(settings.GetDlgItem(IDC_TLS_UPLOAD_PERCENT)->GetWindowTextString(), "100%");

  // The extension of the chosen file picks the output.
  ASSERT_EQ(Upload(dir.path() / "log.txt"), kUploaded) << testing::PrintToString(Boxes());
  EXPECT_EQ(settings.m_nOutputFormat, kBlockOutputText);
  const std::string text = ReadFile(dir.path() / "log.txt");
  EXPECT_EQ(text, Decoded(kBlockOutputText));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 70);

  ASSERT_EQ(Upload(dir.path() / "log.KML"), kUploaded) << testing::PrintToString(Boxes());
  EXPECT_EQ(ReadFile(dir.path() / "log.KML"), Decoded(kBlockOutputKml));
  const FileDialogRequest chooser = ui.FileDialogs().back();
  EXPECT_FALSE(chooser.open);
  EXPECT_EQ(chooser.defaultExt, "txt");  // the type of the upload before
  EXPECT_TRUE(Boxes().empty());
  // Nothing but the outputs is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(PageTransferTest, FailedUploadsSayWhyAndKeepTheOldFile) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(5, 40));
  const auto target = dir.path() / "old.trl";
  WriteFile(target, "old contents");

  sim::BlockFaults faults;
  faults.wakeDelayMs = 2;
  faults.refuse = true;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(target), "Upload failed. The device did not finish the transfer.");
  EXPECT_EQ(ui.LastMessageBox().text, "Not the right file type or not upload");

  faults.refuse = false;
  faults.userBreakAt = 0;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(target), "Upload failed. The device did not finish the transfer.");
  EXPECT_EQ(ui.LastMessageBox().text, "User break!");

  EXPECT_EQ(Upload(dir.path() / "missing" / "log.trl"),
            "Upload failed. The file " + (dir.path() / "missing" / "log.trl").string() +
                " cannot be created: No such file or directory");
  // A log that cannot take the chosen name is not reported as saved: a
  // folder there is refused before the transfer.
  faults.userBreakAt = -1;
  block->SetFaults(faults);
  std::filesystem::create_directory(dir.path() / "taken.trl");
  std::filesystem::create_directory(dir.path() / "taken.trl" / "inside");
  EXPECT_EQ(Upload(dir.path() / "taken.trl"), "Upload failed. The file " +
                                                  (dir.path() / "taken.trl").string() +
                                                  " cannot be created: Is a directory");
  std::filesystem::remove_all(dir.path() / "taken.trl");

  faults.vanishAt = 1;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(target), "Upload failed. The connection to the device was lost.");
  EXPECT_EQ(ReadFile(target), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(PageTransferTest, SettingsLeaveThePortAloneWhileAnUploadRuns) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(7, 32 * 20));
  ui.AnswerFileDialog((dir.path() / "log.trl").string());
  settings.OnUpload();
  CWinThread* worker = settings.GetWorkerThread();
  while (block->BlocksSent() < 2 && worker->IsRunning()) worker->Wait(5);
  ASSERT_TRUE(worker->IsRunning());
  EXPECT_FALSE(settings.GetDlgItem(IDC_TLS_READ)->IsWindowEnabled());
  EXPECT_FALSE(settings.GetDlgItem(IDC_TLS_ENABLE)->IsWindowEnabled());
  settings.OnRead();
  settings.m_edSeconds.SetWindowText("20");
  settings.SendMessage(WM_PAGE_COMMAND, PAGECMD_APPLY, 0);
  settings.m_btnEnable.SetCheck(BST_UNCHECKED);
  settings.OnEnableRecording();
  ASSERT_EQ(worker->Wait(60000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(settings.GetDlgItem(IDC_TLS_TRANSFER_STATUS)->GetWindowTextString(), kUploaded);
  const std::vector<std::uint8_t> raw = block->LogBytes();
  EXPECT_TRUE(ReadFile(dir.path() / "log.trl") == std::string(raw.begin(), raw.end()));
  EXPECT_TRUE(settings.GetDlgItem(IDC_TLS_READ)->IsWindowEnabled());
}

TEST_F(PageTransferTest, ClearEmptiesTheLogAndShowsItsProgress) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(2, 50));
  EXPECT_EQ(Run(settings, &CPageTrackLogSetting::OnClear, IDC_TLS_TRANSFER_STATUS),
            "Clear Successfully. Please power off and then power on device.")
      << testing::PrintToString(Boxes());
  EXPECT_TRUE(block->Log().empty());
  EXPECT_EQ(block->Clears(), 1);
  EXPECT_EQ(settings.m_progressClear.GetPos(), 100);
  EXPECT_EQ(settings.GetDlgItem(IDC_TLS_CLEAR_PERCENT)->GetWindowTextString(), "100%");

  sim::BlockFaults faults;
  faults.wakeDelayMs = 2;
  faults.silentAfterWake = true;
  block->SetFaults(faults);
  EXPECT_EQ(Run(settings, &CPageTrackLogSetting::OnClear, IDC_TLS_TRANSFER_STATUS),
            "Clear failed. The device did not finish clearing.");
  EXPECT_EQ(block->Clears(), 1);
}

TEST_F(PageTransferTest, WaypointFileArrivesByteForByte) {
  std::string bytes;
  for (int i = 0; i < 40; ++i) bytes += "WPT" + std::to_string(i) + ",24.99,121.48\r\n";
  bytes.resize(600, 'x');
  const auto file = dir.path() / "points.mpt";
  WriteFile(file, bytes);
  EXPECT_EQ(SendWaypointFile(file),
            "Download Successfully. Please power off and then power on device.")
      << testing::PrintToString(Boxes());
  const std::vector<std::uint8_t> got = block->ReceivedFile();
  ASSERT_GE(got.size(), bytes.size());
  EXPECT_EQ(std::string(got.begin(), got.begin() + bytes.size()), bytes);
  EXPECT_EQ(block->AnnouncedLength(), 1024u);
  // Frames split after CR LF run past the rounded total; the figure stops at 100.
  EXPECT_EQ(waypoints.GetDlgItem(IDC_WPT_PERCENT)->GetWindowTextString(), "100%");
  EXPECT_EQ(waypoints.GetDlgItem(IDC_WPT_NAME)->GetWindowTextString(), "points.mpt");
  EXPECT_EQ(waypoints.GetDlgItem(IDC_WPT_DATE)->GetWindowTextString().size(), 19u);
  EXPECT_EQ(ui.FileDialogs().back().filter, "Mwpt (*.mpt)|*.mpt||");

  // Cancelling the chooser sends nothing and says nothing.
  const int frames = block->FramesSeen();
  ui.AnswerFileDialog(std::nullopt);
  waypoints.OnDownload();
  waypoints.GetWorkerThread()->Wait(10000);
  EXPECT_EQ(block->FramesSeen(), frames);
  EXPECT_TRUE(Boxes().empty());

  sim::BlockFaults faults;
  faults.wakeDelayMs = 2;
  faults.noRoom = true;
  block->SetFaults(faults);
  EXPECT_EQ(SendWaypointFile(file), "Download failed. The device did not accept the file.");
  EXPECT_EQ(ui.LastMessageBox().text, "Insufficient Memory Card Space!!");
  EXPECT_EQ(SendWaypointFile(dir.path() / "none.mpt"),
            "Download failed. The waypoint file cannot be read.");
  // Name and date belong to the same file: a file that is not there has none.
  EXPECT_EQ(waypoints.GetDlgItem(IDC_WPT_NAME)->GetWindowTextString(), "none.mpt");
  EXPECT_EQ(waypoints.GetDlgItem(IDC_WPT_DATE)->GetWindowTextString(), "");
}

}  // namespace
