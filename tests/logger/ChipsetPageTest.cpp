// The chipset track-log page's Read, Apply and Clear against the simulated
// logger, its lists and radio buttons, and its picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/UserInput.h"
#include "logger/LogDownloadFixture.h"
#include "logger/LoggerScreenshots.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"
#include "sim/LogMemorySim.h"
#include "sim/LogSettingsSim.h"
#include "sim/SimLogger.h"

namespace {

class ChipsetPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(logger.Ok());
    settings = sim::InstallLogSettings(logger);
    ShortenWaits(1);
    g_utilityManager = CUtilityManager();
    device.m_strComPort = logger.PortPath();
    ASSERT_TRUE(device.OpenPort());
    g_bPortOpen = TRUE;
    page.SetDevicePage(&device);
    ASSERT_TRUE(page.AllocateReplyBuffer());
    ASSERT_TRUE(page.Create(CPageMTKTracklogSetting::IDD));
    page.ShowWindow(SW_SHOW);
  }
  void TearDown() override {
    page.DestroyWindow();
    device.ClosePort();
    g_bPortOpen = FALSE;
    SetSleepFunction({});
    g_utilityManager = CUtilityManager();
  }
  // The program's waits run at 1/divisor of their length once the logger
  // has caught up, so the number of tries does not depend on its speed.
  void ShortenWaits(int divisor) {
    SetSleepFunction([this, divisor](DWORD ms) { logger.ShortenedWait(ms, divisor); });
  }
  std::string Text(int id) const {
    std::string text;
    page.GetDlgItemText(id, text);
    return text;
  }
  std::string Shown(CComboBox& list) const {
    std::string text;
    if (list.GetCurSel() >= 0) list.GetLBText(list.GetCurSel(), text);
    return text;
  }
  // The logger reports `used` bytes of log memory.
  void ReportUsed(const std::string& hexDigits) {
    logger.AddHandler("$PMTK182,2,8", [hexDigits](sim::SimLogger& l, const std::string&) {
      l.SendSentence("$PMTK182,3,8," + hexDigits);
      return true;
    });
  }

  sim::SimLogger logger{sim::Model::R710};
  std::shared_ptr<sim::LogSettingsSim> settings;
  CPageDeviceSetting device;
  CPageMTKTracklogSetting page;
};

TEST_F(ChipsetPageTest, ReadShowsTheLoggersSettingsAndApplyThenSendsNothing) {
  logger.SetLogParameter(6, 1);
  logger.SetLogParameter(3, 50);
  logger.SetLogParameter(4, 1000);
  page.OnRead();
  EXPECT_EQ(Text(IDC_MTK_SETTING_STATUS), "Update Setting Successfully.");
  EXPECT_EQ(page.m_btnOverwrite.GetCheck(), BST_CHECKED);
  EXPECT_EQ(page.m_btnFullStop.GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(page.m_cbInterval.GetCurSel(), 1);
  EXPECT_EQ(page.m_cbDistance.GetCurSel(), 1);
  EXPECT_EQ(page.m_nDistance, 1000);
  EXPECT_EQ(page.m_nRecordMode, LOG_OVERWRITE);
  logger.ClearReceived();
  EXPECT_TRUE(page.ApplySettings());
  EXPECT_EQ(logger.CountReceived("$PMTK182,1,"), 0);
  EXPECT_EQ(Text(IDC_MTK_SETTING_STATUS), "Updating Settings Successfully!");

  // An interval below the list (0.3 s) selects its first entry and leaves
  // the page's value.
  logger.SetLogParameter(3, 3);
  page.OnRead();
  EXPECT_EQ(page.m_cbInterval.GetCurSel(), 0);
  EXPECT_EQ(page.m_nIntervalSec, 5);
  EXPECT_EQ(g_utilityManager.m_nLogInterval, 50);

  // A record mode the page does not know shows as Overwrite and is held as
  // Overwrite: Apply has no mode to send.
  logger.SetLogParameter(6, 7);
  page.OnRead();
  EXPECT_EQ(page.m_btnOverwrite.GetCheck(), BST_CHECKED);
  EXPECT_EQ(page.m_nRecordMode, LOG_OVERWRITE);
  logger.ClearReceived();
  EXPECT_TRUE(page.ApplySettings());
  EXPECT_EQ(logger.CountReceived("$PMTK182,1,"), 0);
}

TEST_F(ChipsetPageTest, RecordingSwitchedOnSendsWhatTheListsShow) {
  page.OnRead();                    // caches 50 and 1000 from the new logger
  UserClick(page, IDC_MTK_ENABLE);  // off
  EXPECT_EQ(page.m_nIntervalSec, 0);
  EXPECT_FALSE(page.m_cbInterval.IsWindowEnabled());
  logger.ClearReceived();
  EXPECT_TRUE(page.ApplySettings());
  EXPECT_EQ(logger.CountReceived("$PMTK182,1,"), 0);

  UserClick(page, IDC_MTK_ENABLE);  // on
  EXPECT_EQ(Shown(page.m_cbInterval), "1");
  EXPECT_EQ(Shown(page.m_cbDistance), "50");
  EXPECT_TRUE(page.ApplySettings());
  EXPECT_EQ(logger.CountReceived("$PMTK182,1,3,10*"), 2);
  EXPECT_EQ(logger.CountReceived("$PMTK182,1,4,500*"), 2);
  EXPECT_EQ(logger.LogParameter(3), 10u);
  EXPECT_EQ(logger.LogParameter(4), 500u);
  EXPECT_EQ(g_utilityManager.m_nLogDistance, 500);

  UserClick(page, IDC_MTK_OVERWRITE);
  EXPECT_TRUE(page.ApplySettings());
  EXPECT_EQ(logger.LogParameter(6), 1u);
}

TEST_F(ChipsetPageTest, ASilentLoggerIsAFailureAndNothingCountsAsSent) {
  ShortenWaits(50);
  // The logger answers the record mode, then falls silent.
  for (const char* query : {"$PMTK182,2,3", "$PMTK182,2,4"})
    logger.AddHandler(query, [](sim::SimLogger&, const std::string&) { return true; });
  page.OnRead();
  EXPECT_EQ(logger.CountReceived("$PMTK182,2,3"), 51);
  EXPECT_EQ(Text(IDC_MTK_SETTING_STATUS), "Connection to Device Failed");
  settings->answerSets = false;
  page.m_nIntervalSec = 30;
  EXPECT_FALSE(page.ApplySettings());
  EXPECT_EQ(Text(IDC_MTK_SETTING_STATUS), "Connection to Device Failed");
  EXPECT_EQ(g_utilityManager.m_nLogInterval, 0);
  EXPECT_EQ(logger.LogParameter(3), 300u);  // taken, but never acknowledged
}

TEST_F(ChipsetPageTest, ARefusalIsAFailureAndNothingCountsAsSent) {
  settings->refusal = 1;
  page.m_nIntervalSec = 30;
  EXPECT_FALSE(page.ApplySettings());
  EXPECT_EQ(Text(IDC_MTK_SETTING_STATUS), "The device refused the setting.");
  EXPECT_EQ(g_utilityManager.m_nLogInterval, 0);
  page.OnClear();
  EXPECT_EQ(Text(IDC_MTK_TRANSFER_STATUS), "Clear Failed! The device refused to clear!");
  EXPECT_EQ(logger.CountReceived("$PMTK182,2,8"), 0);
}

TEST_F(ChipsetPageTest, AnAcknowledgementArrivingInPartsIsJudgedWhole) {
  logger.AddHandler("$PMTK182,1,3", [](sim::SimLogger& l, const std::string&) {
    l.Send("$PMTK001,182,1,");
    l.Pause(100);
    l.Send("3*26\r\n");
    return true;
  });
  page.m_nIntervalSec = 30;
  EXPECT_TRUE(page.ApplySettings());
  EXPECT_EQ(g_utilityManager.m_nLogInterval, 300);
}

TEST_F(ChipsetPageTest, AValueThePageCannotHoldIsABadReply) {
  page.OnRead();
  logger.AddHandler("$PMTK182,2,4", [](sim::SimLogger& l, const std::string&) {
    l.SendSentence("$PMTK182,3,4,99999999999");
    return true;
  });
  page.OnRead();
  EXPECT_EQ(Text(IDC_MTK_SETTING_STATUS), "The device sent a setting out of range.");
  EXPECT_EQ(page.m_nDistance, 1000);
  EXPECT_EQ(g_utilityManager.m_nLogDistance, 1000);
}

TEST_F(ChipsetPageTest, ClearShowsTheFreeRecordsOnTheDevicePage) {
  ReportUsed("00100000");
  page.OnClear();
  EXPECT_EQ(logger.CountReceived("$PMTK182,6,1*"), 1);
  EXPECT_EQ(Text(IDC_MTK_TRANSFER_STATUS), "Clear Succeed!");
  EXPECT_EQ(g_utilityManager.m_nFreeRecords, 65536);
  EXPECT_EQ(device.m_strMemoryUsage, "65536");
  EXPECT_TRUE(page.m_btnClear.IsWindowEnabled());
  for (const char* used : {"001FFFF0", "00200000", "00300000"}) {
    ReportUsed(used);
    page.OnClear();
    EXPECT_EQ(device.m_strMemoryUsage, "0") << used;
  }
  EXPECT_EQ(g_utilityManager.m_nFreeRecords, 0);  // not a wrapped count
}

TEST_F(ChipsetPageTest, ClearErasesTheLogMemory) {
  auto memory = sim::LogMemorySim::Install(logger, {.seed = 7, .sectors = 2});
  ASSERT_GT(logger.LogParameter(8), 0u);
  page.OnClear();
  EXPECT_EQ(Text(IDC_MTK_TRANSFER_STATUS), "Clear Succeed!");
  const auto image = logger.LogImage();
  EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(device.m_strMemoryUsage, "131072");
}

TEST_F(ChipsetPageTest, ClearReportsASilentLogger) {
  ShortenWaits(200);
  logger.AddHandler("$PMTK182,6,", [](sim::SimLogger&, const std::string&) { return true; });
  page.OnClear();
  EXPECT_EQ(logger.CountReceived("$PMTK182,6,1*"), 3);
  EXPECT_EQ(Text(IDC_MTK_TRANSFER_STATUS), "Clear Failed! The device did not answer!");
  EXPECT_TRUE(page.m_btnClear.IsWindowEnabled());
  logger.AddHandler("$PMTK182,6,", [](sim::SimLogger& l, const std::string&) {
    l.SendSentence("$PMTK001,182,6,3");
    return true;
  });
  logger.AddHandler("$PMTK182,2,8", [](sim::SimLogger&, const std::string&) { return true; });
  page.OnClear();
  EXPECT_EQ(Text(IDC_MTK_TRANSFER_STATUS), "The device did not report its free memory.");
}

TEST_F(ChipsetPageTest, WithoutAPortNothingIsSent) {
  device.ClosePort();
  page.OnRead();
  EXPECT_EQ(Text(IDC_MTK_SETTING_STATUS), "Connection to Device Failed");
  page.OnClear();
  EXPECT_EQ(Text(IDC_MTK_TRANSFER_STATUS), "Clear Failed! No Device Connected! ");
  EXPECT_FALSE(page.ApplySettings());
  EXPECT_TRUE(logger.Received().empty());
}

TEST_F(ChipsetPageTest, CachedSettingsAndAFullLog) {
  g_utilityManager.m_nFreeRecords = 3;
  page.ShowCachedSettings();
  EXPECT_FALSE(page.m_cbInterval.IsWindowEnabled());
  EXPECT_FALSE(page.m_btnOverwrite.IsWindowEnabled());
  g_utilityManager.m_nFreeRecords = 65536;
  g_utilityManager.m_nLogInterval = 150;
  g_utilityManager.m_nLogDistance = 914;
  g_utilityManager.m_bImperialUnits = TRUE;
  g_utilityManager.m_nLogByChoice = 1;
  page.ShowCachedSettings();
  EXPECT_TRUE(page.m_cbInterval.IsWindowEnabled());
  EXPECT_EQ(Shown(page.m_cbInterval), "15");
  EXPECT_EQ(Shown(page.m_cbDistance), "300");
  EXPECT_EQ(page.m_nDistance, 914);
  EXPECT_EQ(Text(IDC_MTK_UNIT_LABEL), "ft");
  EXPECT_EQ(page.m_btnOverwrite.GetCheck(), BST_CHECKED);
  EXPECT_EQ(page.m_nRecordMode, LOG_OVERWRITE);  // Apply sends the mode shown
  EXPECT_EQ(g_utilityManager.m_nLogRecordMode, LOG_OVERWRITE);
  EXPECT_EQ(page.m_btnByDistance.GetCheck(), BST_CHECKED);
  // Recording off takes the lists out of use; Default All switches it on
  // and gives them back.
  UserClick(page, IDC_MTK_ENABLE);
  EXPECT_FALSE(page.m_cbDistance.IsWindowEnabled());
  page.SendMessage(WM_PAGE_COMMAND, PAGECMD_DEFAULTS, 0);
  EXPECT_EQ(page.m_btnEnable.GetCheck(), BST_CHECKED);
  EXPECT_TRUE(page.m_cbInterval.IsWindowEnabled());
  EXPECT_TRUE(page.m_cbDistance.IsWindowEnabled());
}

TEST_F(ChipsetPageTest, ListsRadiosAndDefaults) {
  page.m_bImperial = 1;
  page.m_cbDistance.SetCurSel(3);
  page.OnSelchangeDistance();
  EXPECT_EQ(page.m_nDistance, 914);
  UserClick(page, IDC_MTK_BY_DISTANCE);
  EXPECT_EQ(page.m_nLogBy, 1);
  EXPECT_EQ(page.m_btnBySecond.GetCheck(), BST_UNCHECKED);
  page.SendMessage(WM_PAGE_COMMAND, PAGECMD_DEFAULTS, 0);
  EXPECT_EQ(page.m_nLogBy, 0);
  EXPECT_EQ(page.m_nDistance, 304);
  EXPECT_EQ(page.m_nIntervalSec, 5);
  EXPECT_EQ(page.m_nRecordMode, LOG_FULL_AND_STOP);
  EXPECT_EQ(page.m_btnFullStop.GetCheck(), BST_CHECKED);
  EXPECT_EQ(CPageMTKTracklogSetting::ValueToListIndex(0, 5), 1);
  EXPECT_EQ(CPageMTKTracklogSetting::ValueToListIndex(0, 120), 6);
  EXPECT_EQ(CPageMTKTracklogSetting::ValueToListIndex(1, 50), 0);
  EXPECT_EQ(CPageMTKTracklogSetting::ValueToListIndex(1, 1000), 5);
}

TEST_F(ChipsetPageTest, LastSectorTest) {
  std::vector<std::uint8_t> image(CPageMTKTracklogSetting::kLogMemorySize, 0xFF);
  logger.SetLogImage(image);
  EXPECT_EQ(page.IsLastSectorWritten(), 0);
  EXPECT_GE(logger.CountReceived("$PMTK182,7,1F0000,10*"), 1);
  // Whatever the first test asked for has been answered before the image
  // changes.
  ASSERT_TRUE(logger.WaitUntilInputHandled(30000));
  image[0x1F000F] = 0x12;
  logger.SetLogImage(image);
  EXPECT_EQ(page.IsLastSectorWritten(), 1);
}

// Read, Apply and Clear while the log downloads: the download keeps the port.
TEST_F(LogDownloadTest, SettingsLeaveThePortAloneWhileTheLogDownloads) {
  Connect({.seed = 22, .sectors = 2});
  std::atomic<bool> held{false};
  // The first read request waits a moment, so the download is surely running.
  logger.AddHandler("$PMTK182,7,", [&held](sim::SimLogger& l, const std::string&) {
    if (!held.exchange(true)) l.Pause(300);
    return false;
  });
  page->OnUpload();
  ASSERT_TRUE(logger.WaitForSentence("$PMTK182,7,", 30000));
  EXPECT_FALSE(page->GetDlgItem(IDC_MTK_READ)->IsWindowEnabled());
  page->OnRead();
  page->m_nIntervalSec = 30;
  EXPECT_FALSE(page->ApplySettings());
  page->OnClear();
  Upload();  // waits for the running download
  for (const char* sent : {"$PMTK182,2,6", "$PMTK182,1,", "$PMTK182,6,"})
    EXPECT_EQ(logger.CountReceived(sent), 0) << sent;
  EXPECT_EQ(Text(*page, IDC_MTK_TRANSFER_STATUS).rfind("Upload Succeed!", 0), 0u);
  ExpectFilesHold(memory->Content());
  EXPECT_TRUE(page->GetDlgItem(IDC_MTK_READ)->IsWindowEnabled());
}

TEST(ChipsetPageScreenshot, AfterReadingTheSettings) {
  QtView view;
  CPageMTKTracklogSetting page;
  g_utilityManager = CUtilityManager();
  g_utilityManager.m_nFreeRecords = 65536;
  g_utilityManager.m_nLogInterval = 150;
  g_utilityManager.m_nLogDistance = 3000;
  g_utilityManager.m_nLogRecordMode = LOG_OVERWRITE;
  SaveInBothLanguages("chipset_tracklog_page", [&](const char*) -> CWnd& {
    if (page.GetSafeHwnd()) page.DestroyWindow();
    page.Create(CPageMTKTracklogSetting::IDD);
    page.ShowCachedSettings();
    page.ShowWindow(SW_SHOW);
    return page;
  });
  page.DestroyWindow();
  g_utilityManager = CUtilityManager();
}

}  // namespace
