#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/AboutDlg.h"
#include "app/VantoUtilityDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "firmware/PageDownloadFW.h"
#include "formats/PageTrackLogFormat.h"
#include "framework/Menu.h"
#include "framework/UserInput.h"
#include "link/IsolatedPorts.h"
#include "logger/PageGPSStatus.h"
#include "logger/PageMTKTracklogSetting.h"
#include "logger/PageTrackLogSetting.h"
#include "logger/PageWayPointSetting.h"
#include "photo/PageTrackLogPhoto.h"
#include "platform/Sleep.h"
#include "sim/SimLogger.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"
#include "ui/VersionInfo.h"

namespace {

// While it lives, the program's shortened waits let the logger catch up, so
// a command sent just before a purge has reached it. Declared after the
// logger and before the dialog, whose end joins the threads that wait.
class LoggerCatchesUp {
 public:
  explicit LoggerCatchesUp(sim::SimLogger& logger)
      : m_previous(SetSleepFunction([&logger](DWORD ms) { logger.ShortenedWait(ms, 50); })) {}
  ~LoggerCatchesUp() { SetSleepFunction(std::move(m_previous)); }
  LoggerCatchesUp(const LoggerCatchesUp&) = delete;
  LoggerCatchesUp& operator=(const LoggerCatchesUp&) = delete;

 private:
  SleepFunction m_previous;
};

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_utilityManager = CUtilityManager();
    g_bPortOpen = FALSE;
    // Waits run at a fiftieth of their length.
    SetSleepFunction(
        [](DWORD ms) { std::this_thread::sleep_for(std::chrono::microseconds(1000LL * ms / 50)); });
  }
  void TearDown() override {
    SetSleepFunction({});
    g_bPortOpen = FALSE;
    g_utilityManager = CUtilityManager();
  }

  static std::vector<CWnd*> Pages(CVantoUtilityDlg& dlg) {
    return {dlg.m_pPageDevice,
            dlg.m_pPageGPSStatus,
            dlg.m_pPageTrackLogSetting,
            dlg.m_pPageTrackLogFormat,
            dlg.m_pPageTrackLogPhoto,
            dlg.m_pPageWayPointSetting,
            dlg.m_pPageMTKTracklogSetting,
            dlg.m_pPageDownloadFW};
  }
  // Opens the device page's port on the simulated logger as a connection does.
  static void Connect(CVantoUtilityDlg& dlg, sim::SimLogger& logger) {
    dlg.m_pPageDevice->m_strComPort = logger.PortPath();
    dlg.m_pPageDevice->m_nComBaud = 38400;
    ASSERT_TRUE(dlg.m_pPageDevice->OpenPort());
    ASSERT_TRUE(dlg.m_pPageMTKTracklogSetting->AllocateReplyBuffer());
    g_bPortOpen = TRUE;
  }
  // The sentences the logger received, without checksums, once it has read
  // the expected number (the simulated logger reads on its own thread).
  static std::vector<std::string> Bodies(const sim::SimLogger& logger, size_t expected = 0) {
    testsupport::WaitUntil([&] { return logger.Received().size() >= expected; });
    std::vector<std::string> out;
    for (const std::string& s : logger.Received()) out.push_back(s.substr(0, s.find('*')));
    return out;
  }

  IsolatedPorts ports;
  ScriptedUi ui;
};

TEST_F(MainDialogTest, CreatesTheEightPagesHiddenBelowTheOneDeviceTab) {
  CVantoUtilityDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VANTOUTILITY_DIALOG));
  const std::vector<CWnd*> pages = Pages(dlg);
  const UINT templates[] = {133, 129, 130, 136, 135, 134, 143, 147};
  CRect item;
  ASSERT_TRUE(dlg.m_tabMain.GetItemRect(0, &item));
  for (size_t i = 0; i < pages.size(); ++i) {
    ASSERT_NE(pages[i], nullptr) << i;
    ASSERT_NE(pages[i]->m_hWnd, nullptr) << i;
    EXPECT_EQ(static_cast<CDialog*>(pages[i])->m_nIDTemplate, templates[i]);
    EXPECT_EQ(pages[i]->GetParent(), &dlg.m_tabMain) << i;
    EXPECT_EQ(pages[i]->IsVisibleFlag() != FALSE, i == 0) << i;
    CRect r;
    pages[i]->GetWindowRect(&r);
    dlg.m_tabMain.ScreenToClient(&r);
    EXPECT_EQ(r.left, item.left + 8) << i;
    EXPECT_EQ(r.top, item.top + 28) << i;
  }
  EXPECT_EQ(g_nTabCount, 1);
  EXPECT_EQ(dlg.m_tabMain.GetItemCount(), 1);
  EXPECT_EQ(dlg.m_tabMain.GetCurSel(), 0);
  EXPECT_TRUE(dlg.m_tabMain.IsItemEnabled(0));
  EXPECT_TRUE(dlg.m_tabMain.GetStyle() & TCS_OWNERDRAWFIXED);
  EXPECT_EQ(dlg.m_pTabPage[0], dlg.m_pPageDevice);
  EXPECT_EQ(dlg.m_nDeviceTabState, 1);
  EXPECT_EQ(g_utilityManager.m_cDeviceTab, 0);
  EXPECT_EQ(g_utilityManager.m_bLockedTabAllowed, 0);
  char text[8] = "";
  TCITEM tab;
  tab.mask = TCIF_TEXT;
  tab.pszText = text;
  tab.cchTextMax = sizeof text;
  ASSERT_TRUE(dlg.m_tabMain.GetItem(0, &tab));
  EXPECT_STREQ(text, " ");
}

TEST_F(MainDialogTest, CaptionsMenuAndPictures) {
  CVantoUtilityDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VANTOUTILITY_DIALOG));
  EXPECT_EQ(dlg.GetWindowTextString(), "VANTO Navrel");
  const std::pair<int, const char*> captions[] = {{IDOK, "Close"},
                                                  {IDCANCEL, "Cancel"},
                                                  {IDC_BUTTON_APPLY_ALL, "Apply All"},
                                                  {IDC_BUTTON_DEFAULT_ALL, "Default All"},
                                                  {IDC_BUTTON_ABOUT, "About"}};
  for (auto [id, caption] : captions) {
    std::string t;
    dlg.GetDlgItemText(id, t);
    EXPECT_EQ(t, caption) << id;
  }
  // Shown: the tab, About and Close; the rest exist hidden.
  for (int id : {IDC_TAB_MAIN, IDC_BUTTON_ABOUT, int{IDOK}})
    EXPECT_TRUE(dlg.GetDlgItem(id)->IsVisibleFlag()) << id;
  for (int id : {int{IDCANCEL}, IDC_BUTTON_APPLY_ALL, IDC_BUTTON_DEFAULT_ALL, IDC_PICTURE_MODEL,
                 IDC_PICTURE_LOGO})
    EXPECT_FALSE(dlg.GetDlgItem(id)->IsVisibleFlag()) << id;

  CMenu* menu = dlg.GetSystemMenu(FALSE);
  ASSERT_NE(menu, nullptr);
  std::string about;
  menu->GetMenuString(IDM_ABOUTBOX, about, MF_BYCOMMAND);
  EXPECT_EQ(about, "&About Vanto Logger Utility...");

  EXPECT_EQ(CBitmap::ResourceId(dlg.m_picLogo.GetBitmap()), 132u);
  EXPECT_EQ(CBitmap::ResourceId(dlg.m_picModel.GetBitmap()), 129u);
  for (UINT id : {129u, 130u, 131u, 132u, 141u}) {
    CBitmap bmp;
    EXPECT_TRUE(bmp.LoadBitmap(id)) << id;
  }
  BITMAP info;
  CBitmap banner;
  ASSERT_TRUE(banner.LoadBitmap(141));
  banner.GetBitmap(&info);
  EXPECT_EQ(info.bmWidth, 570);
  EXPECT_EQ(info.bmHeight, 90);
  EXPECT_NE(dlg.m_hIcon, nullptr);
}

TEST_F(MainDialogTest, ModelPictureFollowsTheIdentifiedModel) {
  CVantoUtilityDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VANTOUTILITY_DIALOG));
  dlg.m_pPageDevice->ShowWindow(SW_HIDE);
  g_utilityManager.m_nModelCode = 1;
  dlg.UpdateModelPicture();
  EXPECT_EQ(CBitmap::ResourceId(dlg.m_picModel.GetBitmap()), 129u);
  EXPECT_FALSE(dlg.m_pPageDevice->IsVisibleFlag());  // no tab selected
  for (int model : {3, 4}) {
    dlg.m_pPageDevice->ShowWindow(SW_HIDE);
    g_utilityManager.m_nModelCode = model;
    dlg.UpdateModelPicture();
    EXPECT_EQ(CBitmap::ResourceId(dlg.m_picModel.GetBitmap()), 141u);
    EXPECT_EQ(CBitmap::ResourceId(dlg.m_picLogo.GetBitmap()), 132u);
    EXPECT_TRUE(dlg.m_pPageDevice->IsVisibleFlag());
  }
}

TEST_F(MainDialogTest, TabServicesFromAWorkerRunOnTheWindowThread) {
  CVantoUtilityDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VANTOUTILITY_DIALOG));
  CWnd* device = dlg.m_pPageDevice;
  device->ShowWindow(SW_HIDE);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    dlg.SelectTab(0);
    done = true;
  });
  EXPECT_TRUE(AfxPumpWait([&] { return done.load(); }, 30000));
  worker.join();
  EXPECT_TRUE(device->IsVisibleFlag());

  // The locked tab (0) is left as it is while locked tabs are not allowed.
  device->EnableWindow(FALSE);
  dlg.RefreshCurrentTab();
  EXPECT_FALSE(device->IsWindowEnabled());
  g_utilityManager.m_cLockedTab = -1;
  done = false;
  std::thread second([&] {
    dlg.RefreshCurrentTab();
    done = true;
  });
  EXPECT_TRUE(AfxPumpWait([&] { return done.load(); }, 30000));
  second.join();
  EXPECT_TRUE(device->IsWindowEnabled());
  EXPECT_TRUE(device->IsVisibleFlag());

  dlg.EnableCloseButtons(FALSE, TRUE, FALSE, TRUE);
  EXPECT_FALSE(dlg.m_btnClose.IsWindowEnabled());
  EXPECT_TRUE(dlg.m_btnCancel.IsWindowEnabled());
  EXPECT_FALSE(dlg.m_btnApplyAll.IsWindowEnabled());
  EXPECT_TRUE(dlg.m_btnDefaultAll.IsWindowEnabled());
}

TEST_F(MainDialogTest, ApplyAllAndDefaultAllReachTheDevicePageOnly) {
  CVantoUtilityDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VANTOUTILITY_DIALOG));
  std::vector<std::pair<int, WPARAM>> received;
  const std::vector<CWnd*> pages = Pages(dlg);
  for (size_t i = 0; i < pages.size(); ++i)
    pages[i]->BindMessage(WM_PAGE_COMMAND, [&received, i](WPARAM w, LPARAM l) -> LRESULT {
      EXPECT_EQ(l, 0);
      received.push_back({static_cast<int>(i), w});
      return 0;
    });
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BUTTON_APPLY_ALL, BN_CLICKED), 0);
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BUTTON_DEFAULT_ALL, BN_CLICKED), 0);
  const std::vector<std::pair<int, WPARAM>> expected = {{0, PAGECMD_APPLY}, {0, PAGECMD_DEFAULTS}};
  EXPECT_EQ(received, expected);
}

TEST_F(MainDialogTest, OneStopEndsEveryHeartbeatThread) {
  CVantoUtilityDlg dlg;
  dlg.RunTimerThread(TRUE);
  dlg.RunTimerThread(TRUE);
  EXPECT_EQ(dlg.GetTimerThreadCount(), 2);
  ASSERT_TRUE(AfxPumpWait([] { return g_utilityManager.m_bWorkerStopped == 0; }, 30000));
  dlg.RunTimerThread(FALSE);
  dlg.WaitForTimerThreads();
  EXPECT_EQ(dlg.GetTimerThreadCount(), 0);
  EXPECT_EQ(g_utilityManager.m_bWorkerStopped, 1);
}

// A start right after a stop, within the old thread's sleep, runs one
// heartbeat: the old one ends when it wakes, and the flag says running.
TEST_F(MainDialogTest, ARestartDuringTheSleepDoesNotReviveTheStoppedHeartbeat) {
  CVantoUtilityDlg dlg;
  dlg.RunTimerThread(TRUE);
  ASSERT_TRUE(AfxPumpWait([] { return g_utilityManager.m_bWorkerStopped == 0; }, 30000));
  dlg.RunTimerThread(FALSE);
  dlg.RunTimerThread(TRUE);
  EXPECT_TRUE(AfxPumpWait([&] { return dlg.GetTimerThreadCount() == 1; }, 30000));
  std::this_thread::sleep_for(std::chrono::milliseconds(60));  // three more beats
  EXPECT_EQ(dlg.GetTimerThreadCount(), 1);
  EXPECT_EQ(g_utilityManager.m_bWorkerStopped, 0);
  dlg.RunTimerThread(FALSE);
  dlg.WaitForTimerThreads();
  EXPECT_EQ(g_utilityManager.m_bWorkerStopped, 1);
}

TEST_F(MainDialogTest, TheDialogOutlivesItsHeartbeatThreads) {
  // A heartbeat still asleep when the dialog goes would read a freed flag:
  // the destructor waits until each thread has seen the flag cleared.
  std::atomic<bool> destroyed{false};
  std::atomic<int> lateWakeUps{0};
  SetSleepFunction([&](DWORD) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    if (destroyed) ++lateWakeUps;
  });
  auto dlg = std::make_unique<CVantoUtilityDlg>();
  dlg->RunTimerThread(TRUE);
  dlg->RunTimerThread(TRUE);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  dlg.reset();
  destroyed = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_EQ(lateWakeUps, 0);
}

TEST_F(MainDialogTest, CloseBoxWhileConnectedLeavesTheLoggerTwiceAndClosesThePort) {
  sim::SimLogger logger;
  LoggerCatchesUp catchUp(logger);
  ASSERT_TRUE(logger.Ok());
  CVantoUtilityDlg dlg;
  ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog&) {
    Connect(dlg, logger);
    dlg.RunTimerThread(TRUE);
    UserCloseBox(dlg);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(Bodies(logger, 2), (std::vector<std::string>{"$VANTO710,2", "$VANTO710,2"}));
  EXPECT_EQ(dlg.m_pPageDevice->m_hComPort, nullptr);
  EXPECT_EQ(dlg.m_bTimerThreadRun, 0);
  EXPECT_EQ(dlg.m_pPageMTKTracklogSetting->m_bReceiveStop, 1);
}

TEST_F(MainDialogTest, CloseAtHighSpeedReturnsTheLineTo38400First) {
  sim::SimLogger logger;
  LoggerCatchesUp catchUp(logger);
  ASSERT_TRUE(logger.Ok());
  CVantoUtilityDlg dlg;
  ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog&) {
    Connect(dlg, logger);
    g_utilityManager.m_bHighSpeed = TRUE;
    dlg.SendMessage(WM_CLOSE);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(Bodies(logger, 3),
            (std::vector<std::string>{"$PMTK182,14,38400", "$VANTO710,2", "$VANTO710,2"}));
  EXPECT_FALSE(g_utilityManager.m_bHighSpeed);
  EXPECT_EQ(dlg.m_pPageDevice->m_hComPort, nullptr);
}

TEST_F(MainDialogTest, EscapeLeavesTheLoggerOnceAndCloseSendsNothing) {
  {
    sim::SimLogger logger;
    LoggerCatchesUp catchUp(logger);
    CVantoUtilityDlg dlg;
    ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog&) {
      Connect(dlg, logger);
      UserDialogKey(dlg, VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(Bodies(logger, 1), std::vector<std::string>{"$VANTO710,2"});
    EXPECT_EQ(dlg.m_pPageDevice->m_hComPort, nullptr);
  }
  {
    sim::SimLogger logger;
    LoggerCatchesUp catchUp(logger);
    CVantoUtilityDlg dlg;
    ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog&) {
      Connect(dlg, logger);
      dlg.RunTimerThread(TRUE);
      UserClick(dlg, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(logger.Received().empty());
    EXPECT_EQ(dlg.m_pPageDevice->m_hComPort, nullptr);
    EXPECT_EQ(dlg.m_bTimerThreadRun, 0);
  }
}

// The update works on pages the dialog owns: no path may end the window under it.
TEST_F(MainDialogTest, NoClosingPathEndsTheWindowWhileTheFirmwarePageUpdates) {
  sim::SimLogger logger;
  LoggerCatchesUp catchUp(logger);
  CVantoUtilityDlg dlg;
  bool stillOpen = false;
  ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog&) {
    Connect(dlg, logger);
    dlg.RunTimerThread(TRUE);
    dlg.m_pPageDownloadFW->m_bBusy = 1;
    UserCloseBox(dlg);
    dlg.SendMessage(WM_CLOSE);
    UserDialogKey(dlg, VK_ESCAPE);
    UserClick(dlg, IDOK);
    stillOpen = !dlg.IsModalEnded();
    EXPECT_NE(dlg.m_pPageDevice->m_hComPort, nullptr);
    EXPECT_EQ(dlg.m_bTimerThreadRun, 1);
    dlg.m_pPageDownloadFW->m_bBusy = 0;
    UserDialogKey(dlg, VK_ESCAPE);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(Bodies(logger, 1), std::vector<std::string>{"$VANTO710,2"});
}

TEST_F(MainDialogTest, ClosingWithoutAPortSendsNothing) {
  CVantoUtilityDlg dlg;
  ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog&) { UserCloseBox(dlg); });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.m_pPageDevice->m_hComPort, nullptr);
}

TEST_F(MainDialogTest, AboutBoxFromButtonAndSystemMenu) {
  CVantoUtilityDlg dlg;
  std::vector<std::string> texts;
  auto readAbout = [&](CDialog& about) {
    texts.clear();
    texts.push_back(about.GetWindowTextString());
    for (int id :
         {IDC_ABOUT_COPYRIGHT, IDC_ABOUT_PRODUCT, int{IDOK}, IDC_ABOUT_DEVICE, IDC_ABOUT_VERSION}) {
      std::string t;
      about.GetDlgItemText(id, t);
      texts.push_back(t);
    }
  };
  ui.OnModal(IDD_ABOUTBOX, readAbout);
  ui.OnModal(IDD_ABOUTBOX, readAbout);
  ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog&) {
    UserClick(dlg, IDC_BUTTON_ABOUT);
    UserSystemMenu(dlg, IDM_ABOUTBOX);
  });
  dlg.DoModal();
  EXPECT_EQ(ui.ModalDialogs(),
            (std::vector<UINT>{IDD_VANTOUTILITY_DIALOG, IDD_ABOUTBOX, IDD_ABOUTBOX}));
  CVersionInfo version;
  ASSERT_TRUE(version.Create());
  const std::string dotted = " " + std::to_string(version.GetProductVersion(3)) + "." +
                             std::to_string(version.GetProductVersion(2)) + "." +
                             std::to_string(version.GetProductVersion(1)) + "." +
                             std::to_string(version.GetProductVersion(0));
  const std::vector<std::string> expected = {
      "VANTO Navrel", "Copyright (C) 2026 Vanto",    "VANTO Navrel   V2.00",
      "Close",        "Adapted device : Roamline38", dotted};
  EXPECT_EQ(texts, expected);
}

}  // namespace
