// The chipset log download against the simulated logger: whole logs compared
// record for record, resumed and stepped-over pieces, and the ways a
// download ends early.
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstring>

#include "LogDownloadFixture.h"

namespace {

using sim::kNoFault;

// The silence after which the receive loop gives a download up, where a test
// ends its download that way: well above any pause of a busy machine.
constexpr int kSilenceMs = 5000;

TEST(LogDownloadText, TotalMinutesCountWholeMinutes) {
  EXPECT_EQ(CPageMTKTracklogSetting::FormatElapsed(75 * 60 + 5), "Total mins: 75, secs: 05");
  EXPECT_EQ(CPageMTKTracklogSetting::FormatElapsed(3 * 60 + 12), "Total mins: 03, secs: 12");
}

TEST_F(LogDownloadTest, OneSectorAtHighSpeed) {
  Connect({.seed = 11, .sectors = 1, .newestSectorBytes = 0x10000});
  EXPECT_EQ(g_utilityManager.m_nLogUsedBytes, 0x10000);
  Upload();
  EXPECT_EQ(Text(*page, IDC_MTK_TRANSFER_STATUS).rfind("Upload Succeed!Total mins: 00, secs: ", 0),
            0u)
      << Text(*page, IDC_MTK_TRANSFER_STATUS);
  EXPECT_EQ(Text(*page, IDC_MTK_PERCENT), "100%");
  ExpectFilesHold(memory->Content());
  EXPECT_EQ(memory->Requests(),
            (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 0x10000}}));
  // The bridge link ran at 921600 and is back at 38400.
  EXPECT_EQ(logger.CountReceived("$PMTK182,14,921600"), 1);
  EXPECT_EQ(logger.CountReceived("$PMTK182,14,38400"), 1);
  EXPECT_EQ(logger.Baud(), 38400u);
  EXPECT_FALSE(g_utilityManager.m_bHighSpeed);
  EXPECT_EQ(fs::file_size(folder() / "Mirla.trl"), 0x10000u);
  EXPECT_TRUE(page->GetDlgItem(IDC_MTK_UPLOAD)->IsWindowEnabled());
  EXPECT_TRUE(main.GetDlgItem(IDOK)->IsWindowEnabled());
  EXPECT_GT(page->m_pFileStatusDlg->m_list.GetCount(), 2);
}

TEST_F(LogDownloadTest, TwoSectorsForTheBytesInUse) {
  Connect({.seed = 12, .sectors = 2, .newestSectorBytes = 0x2345});
  EXPECT_EQ(g_utilityManager.m_nLogUsedBytes, 0x12345);
  Upload();
  ExpectFilesHold(memory->Content());
  EXPECT_EQ(memory->Requests(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                                    {0, 0x10000}, {0x10000, 0x10000}}));
}

TEST_F(LogDownloadTest, WholeWrappedLogNeverReadPastTwoMegabytes) {
  Connect({.seed = 13, .wrapped = true, .newestSector = 20});
  // A logger reporting more than its memory is read for its 2 MB only.
  g_utilityManager.m_nLogUsedBytes = 0x7FFFFFF0;
  Upload();
  ExpectFilesHold(memory->Content());
  const auto requests = memory->Requests();
  ASSERT_EQ(requests.size(), 32u);
  EXPECT_EQ(requests.back().first, 0x1F0000u);
  EXPECT_EQ(fs::file_size(folder() / "Mirla.trl"), 0x200000u);
}

TEST_F(LogDownloadTest, OptionsTextAndKmlOutputsGetTheWholeTrack) {
  Connect({.seed = 21, .sectors = 1});
  textPath = (home.path() / "whole.txt").string();
  kmlPath = (home.path() / "whole.kml").string();
  Upload();
  EXPECT_EQ(Text(*page, IDC_MTK_TRANSFER_STATUS).rfind("Upload Succeed!", 0), 0u);
  // One text line per track record, and one KML document.
  std::ifstream text(textPath);
  const auto lines = std::count(std::istreambuf_iterator<char>(text), {}, '\n');
  EXPECT_GE(lines, static_cast<long>(memory->Content().Total().size()));
  std::ifstream kml(kmlPath);
  const std::string doc((std::istreambuf_iterator<char>(kml)), {});
  EXPECT_EQ(doc.find("<kml"), doc.rfind("<kml"));
  EXPECT_NE(doc.find("</kml>"), std::string::npos);
}

TEST_F(LogDownloadTest, PhotoFolderGivesUnicodeKmlFiles) {
  Connect({.seed = 18, .sectors = 1});
  fs::create_directories(home.path() / "photos");
  photoFolder = (home.path() / "photos").string();
  Upload();
  EXPECT_EQ(Text(*page, IDC_MTK_TRANSFER_STATUS).rfind("Upload Succeed!", 0), 0u)
      << Text(*page, IDC_MTK_TRANSFER_STATUS);
  ExpectFilesHold(memory->Content());
  for (const auto& kml : Files(".kml")) {
    std::ifstream in(kml, std::ios::binary);
    char mark[2] = {};
    in.read(mark, 2);
    EXPECT_TRUE(mark[0] == '\xFF' && mark[1] == '\xFE') << kml;  // UTF-16LE
  }
}

TEST_F(LogDownloadTest, BadPieceIsAskedForAgainAndForeignRepliesAreSteppedOver) {
  Connect({.seed = 14, .sectors = 2});
  sim::LogReadFaults faults;
  faults.foreignReplyAt = 0x1800;           // sector 0, piece 3
  faults.badChecksumAt = 0x10000 + 0x2800;  // sector 1, piece 5
  memory->SetFaults(faults);
  Upload();
  EXPECT_EQ(Text(*page, IDC_MTK_TRANSFER_STATUS).rfind("Upload Succeed!", 0), 0u);
  EXPECT_EQ(memory->Requests(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                                    {0, 0x10000}, {0x10000, 0x10000}, {0x12800, 0xD800}}));
  ExpectFilesHold(memory->Content());
}

TEST_F(LogDownloadTest, DamagedRepliesAreAskedForAgainAndLineNoiseSteppedOver) {
  Connect({.seed = 22, .sectors = 2});
  sim::LogReadFaults faults;
  // A NUL byte before piece 1, a data digit lost in piece 3, and the '1' of
  // the address of sector 1's first piece ("$PMTK182,8,00010000,").
  faults.nulBeforeAt = 0x800;
  faults.lostCharAt = {{0x1800, 100}, {0x10000, 14}};
  memory->SetFaults(faults);
  Upload();
  EXPECT_EQ(Text(*page, IDC_MTK_TRANSFER_STATUS).rfind("Upload Succeed!", 0), 0u)
      << Text(*page, IDC_MTK_TRANSFER_STATUS);
  EXPECT_EQ(memory->Requests(),
            (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                {0, 0x10000}, {0x1800, 0xE800}, {0x10000, 0x10000}, {0x10000, 0x10000}}));
  ExpectFilesHold(memory->Content());
}

TEST_F(LogDownloadTest, TenResumesWithoutAGoodPieceCancelAndAPlainPortKeepsItsSpeed) {
  Connect({.seed = 24, .sectors = 2});
  // The same port, now shown as a plain serial port: no watchdog, no speed.
  WithdrawSimulatedPort(announcement);
  announcement = AnnounceSimulatedPort(logger.PortPath(), "Standard Serial Port", "dltest");
  sim::LogReadFaults faults;
  faults.badChecksumAt = 0x1F800;  // the last piece of sector 1, at every request
  faults.badChecksumEveryTime = true;
  memory->SetFaults(faults);
  Upload();
  EXPECT_EQ(ui.LastMessageBox().text, "Transmission interrupt !");
  // Sector 0, sector 1 with its good pieces, then ten times its last piece.
  const auto requests = memory->Requests();
  ASSERT_EQ(requests.size(), 12u);
  EXPECT_EQ(requests.back(), std::make_pair(0x1F800u, 0x800u));
  EXPECT_EQ(logger.CountReceived("$PMTK182,14,"), 0);
}

TEST_F(LogDownloadTest, SilentLoggerEndsInTheWatchdogsCancelKeepingTheDump) {
  Connect({.seed = 15, .sectors = 3});
  sim::LogReadFaults faults;
  faults.silentFrom = 0x10000;
  memory->SetFaults(faults);
  // Long enough for sector 0's first piece on a busy machine.
  page->m_nWatchdogPeriodMs = 5000;
  page->m_nReceiveIdleLimitMs = 60000;  // the watchdog ends it, not the receive loop
  const auto start = std::chrono::steady_clock::now();
  Upload();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5000));
  EXPECT_EQ(ui.LastMessageBox().text, "Transmission interrupt !");
  EXPECT_TRUE(Files(".trl").size() == 1 && fs::file_size(folder() / "Mirla.trl") == 0x10000u);
  EXPECT_TRUE(Files(".kml").empty());
  // The logger is back at 38400 before the link closed.
  EXPECT_EQ(logger.CountReceived("$PMTK182,14,38400"), 1);
  EXPECT_EQ(logger.Baud(), 38400u);
  EXPECT_EQ(device->m_hComPort.load(), nullptr);
  EXPECT_EQ(page->m_bTransferCancel.load(), 0);
  EXPECT_TRUE(page->GetDlgItem(IDC_MTK_UPLOAD)->IsWindowEnabled());
}

TEST_F(LogDownloadTest, VanishingPortEndsTheDownloadAsInterrupted) {
  Connect({.seed = 16, .sectors = 3});
  sim::LogReadFaults faults;
  faults.vanishAt = 0x10000 + 3 * 0x800;
  memory->SetFaults(faults);
  page->m_nReceiveIdleLimitMs = kSilenceMs;
  Upload();
  EXPECT_EQ(ui.LastMessageBox().text, "Transmission interrupt !");
  EXPECT_EQ(Files(".trl").size(), 1u);  // the dump of sector 0 alone
  EXPECT_EQ(fs::file_size(folder() / "Mirla.trl"), 0x10000u);
  EXPECT_EQ(device->m_hComPort.load(), nullptr);
  EXPECT_TRUE(page->GetDlgItem(IDC_MTK_UPLOAD)->IsWindowEnabled());
}

TEST_F(LogDownloadTest, FailedDownloadLeavesTheOptionsOutputsAsTheyWere) {
  Connect({.seed = 22, .sectors = 3});
  textPath = (home.path() / "whole.txt").string();
  std::ofstream(textPath) << "earlier";
  sim::LogReadFaults faults;
  faults.vanishAt = 0x10000;
  memory->SetFaults(faults);
  page->m_nReceiveIdleLimitMs = kSilenceMs;
  Upload();
  EXPECT_EQ(ui.LastMessageBox().text, "Transmission interrupt !");
  std::ifstream text(textPath);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(text)), {}), "earlier");
  EXPECT_EQ(std::distance(fs::directory_iterator(home.path()), fs::directory_iterator()), 4);
}

TEST_F(LogDownloadTest, RequestThatCannotBeWrittenIsRetriedABoundedNumberOfTimes) {
  Connect({.seed = 19, .sectors = 3});
  sim::LogReadFaults faults;
  faults.vanishAtReadAhead = 1;  // before the request of sector 1
  memory->SetFaults(faults);
  page->m_nReceiveIdleLimitMs = 600000;  // only the bound ends it
  Upload();
  EXPECT_EQ(ui.LastMessageBox().text, "Transmission interrupt !");
  EXPECT_EQ(memory->Requests().size(), 1u);
  EXPECT_EQ(fs::file_size(folder() / "Mirla.trl"), 0x10000u);
  EXPECT_EQ(device->m_hComPort.load(), nullptr);
}

TEST_F(LogDownloadTest, PageGoingMidDownloadJoinsItsThreadsSilently) {
  Connect({.seed = 20, .sectors = 3});
  sim::LogReadFaults faults;
  faults.silentFrom = 0x10000;
  memory->SetFaults(faults);
  page->OnUpload();
  CWinThread* worker = page->GetDownloadThread();
  ASSERT_TRUE(logger.WaitForSentence("$PMTK182,7,10000,", 30000));
  page->StopDownload();  // what the main dialog does before its pages go
  EXPECT_FALSE(worker->IsRunning());
  EXPECT_EQ(ui.MessageBoxCount(), 0u);
  EXPECT_TRUE(Files(".kml").empty());
}

TEST_F(LogDownloadTest, MakerCommandWaitsUntilTheReceivePassHasEnded) {
  Connect({.seed = 28, .sectors = 2});
  page->m_nReceivePassEndWaitMs = 600000;  // only the receive thread ends the wait
  // Once sector 0's last piece is in, the receive thread stays in its pass
  // until the worker either waits for it or sends the next maker command 6.
  std::atomic<bool> held{false}, sentDuringPass{false};
  page->m_onReceiveAppended = [&] {
    if (held) return;
    {
      auto lock = page->LockReplyBuffer();
      const char* last = std::strstr(page->GetReplyBuffer(), "$PMTK182,8,0000F800,");
      if (!last || !std::strchr(last, '\n')) return;
    }
    held = true;
    testsupport::WaitUntil(
        [&] { return page->IsReceivePassAwaited() || logger.CountReceived("$VANTO710,6") >= 2; },
        60000);
    sentDuringPass = logger.CountReceived("$VANTO710,6") >= 2;
  };
  Upload();
  EXPECT_TRUE(held);
  EXPECT_FALSE(sentDuringPass);
  EXPECT_EQ(Text(*page, IDC_MTK_TRANSFER_STATUS).rfind("Upload Succeed!", 0), 0u);
  EXPECT_EQ(logger.CountReceived("$VANTO710,6"), 2);
  ExpectFilesHold(memory->Content());
}

TEST_F(LogDownloadTest, KmlThatCannotBeWrittenFailsTheDownload) {
  Connect({.seed = 17, .sectors = 1});
  ASSERT_FALSE(memory->Content().waypoints.empty());
  // A folder in the way of the Waypoints KML file.
  fs::create_directories(folder() / "_R-710_Waypoints.kml" / "x");
  Upload();
  const std::string status = Text(*page, IDC_MTK_TRANSFER_STATUS);
  EXPECT_EQ(status.rfind("Upload Failed! ", 0), 0u) << status;
  EXPECT_NE(status.find("_R-710_Waypoints.kml"), std::string::npos) << status;
  const int lines = page->m_pFileStatusDlg->m_list.GetCount();
  std::string last;
  page->m_pFileStatusDlg->m_list.GetText(lines - 1, last);
  EXPECT_EQ(last, status);
  EXPECT_NE(Text(*page, IDC_MTK_PERCENT), "100%");
}

TEST_F(LogDownloadTest, DumpThatCannotBeWrittenFailsTheDownload) {
  // The dump's second sector goes past the size limit; the TRL files fit.
  Connect({.seed = 26, .sectors = 2, .newestSectorBytes = 0x1000});
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limited{0x18000, saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limited);
  Upload();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  const std::string status = Text(*page, IDC_MTK_TRANSFER_STATUS);
  EXPECT_TRUE(status.rfind("Upload Failed! ", 0) == 0 &&
              status.find("Mirla.trl") != std::string::npos)
      << status;
  // The status dialog names the KML file of every TRL file.
  std::size_t notConverted = 0;
  for (int i = 0; i < page->m_pFileStatusDlg->m_list.GetCount(); ++i) {
    std::string line;
    page->m_pFileStatusDlg->m_list.GetText(i, line);
    notConverted += line.rfind("Not converted ", 0) == 0 && line.ends_with(".kml");
  }
  EXPECT_EQ(notConverted, Files(".trl").size());
}

}  // namespace
