// Posted and sent messages, timers, the message pump and the modal loop
// without a view.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FrameworkTestSupport.h"
#include "framework/Thread.h"
#include "framework/UserInput.h"
#include "platform/Sleep.h"
#include "support/ScriptedUi.h"

using namespace fwtest;

namespace {

constexpr UINT WM_STEP = WM_USER + 7;

class CTimerDlg : public CDialog {
 public:
  CTimerDlg() : CDialog(IDD_MAIN) {}
  std::vector<UINT_PTR> ticks;
  int steps = 0;
  UINT_PTR stopAfter = 3;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetTimer(1324, 5);
    return TRUE;
  }
  afx_msg void OnTimer(UINT_PTR id) {
    ticks.push_back(id);
    if (ticks.size() == stopAfter) {
      KillTimer(1324);
      EndDialog(77);
    }
  }
  afx_msg LRESULT OnStep(WPARAM w, LPARAM) {
    steps += static_cast<int>(w);
    return steps;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTimerDlg, CDialog)
ON_WM_TIMER()
ON_MESSAGE(WM_STEP, &CTimerDlg::OnStep)
END_MESSAGE_MAP()

}  // namespace

TEST(Messages, TimersDriveTheModalLoopUntilEndDialog) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  ui.LetModalRun(IDD_MAIN);
  CTimerDlg dlg;
  EXPECT_EQ(dlg.DoModal(), 77);
  EXPECT_EQ(dlg.ticks, (std::vector<UINT_PTR>{1324, 1324, 1324}));
  EXPECT_EQ(dlg.m_hWnd, nullptr);  // destroyed after the loop
}

TEST(Messages, PostedMessagesWaitForThePumpSentOnesDoNot) {
  Headless headless;
  RegisterTemplates();
  CTimerDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  dlg.KillTimer(1324);
  EXPECT_TRUE(dlg.PostMessage(WM_STEP, 2));
  EXPECT_TRUE(dlg.PostMessage(WM_STEP, 3));
  EXPECT_EQ(dlg.steps, 0);
  EXPECT_EQ(dlg.SendMessage(WM_STEP, 10), 10);
  AfxPumpMessages();
  EXPECT_EQ(dlg.steps, 15);
  // A destroyed window takes no messages.
  HWND h = dlg.m_hWnd;
  dlg.DestroyWindow();
  EXPECT_FALSE(::PostMessage(h, WM_STEP, 1));
  EXPECT_EQ(::SendMessage(h, WM_STEP, 1), 0);
}

TEST(Messages, PumpReturnsEvenWhenATimerIsShorterThanItsHandler) {
  Headless headless;
  RegisterTemplates();
  CTimerDlg dlg;
  dlg.stopAfter = 1000000;
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  dlg.SetTimer(5, 1);
  dlg.BindMessage(WM_TIMER, [&](WPARAM id, LPARAM) {
    dlg.ticks.push_back(id);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    return LRESULT{0};
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  AfxPumpMessages();  // must come back
  EXPECT_GE(dlg.ticks.size(), 1u);
  EXPECT_LE(dlg.ticks.size(), 2u);  // each timer at most once per pump
}

TEST(Messages, SendFromAWorkerRunsOnTheWindowThread) {
  Headless headless;
  RegisterTemplates();
  CTimerDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  dlg.KillTimer(1324);
  std::thread::id handlerThread;
  dlg.BindMessage(WM_USER + 8, [&](WPARAM w, LPARAM) {
    handlerThread = std::this_thread::get_id();
    return static_cast<LRESULT>(w * 2);
  });
  std::atomic<LRESULT> result{0};
  std::thread worker([&] { result = dlg.SendMessage(WM_USER + 8, 21); });
  // The window thread answers while it waits in the framework.
  EXPECT_TRUE(AfxPumpWait([&] { return result.load() != 0; }, 30000));
  worker.join();
  EXPECT_EQ(result.load(), 42);
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(Messages, CloseBoxAndEscapeEndAModalDialogWithCancel) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  ui.OnModal(IDD_MAIN, [](CDialog& d) { UserCloseBox(d); });
  ui.OnModal(IDD_MAIN, [](CDialog& d) { UserDialogKey(d, VK_ESCAPE); });
  ui.OnModal(IDD_MAIN, [](CDialog& d) { UserDialogKey(d, VK_RETURN); });
  CDialog a(IDD_MAIN), b(IDD_MAIN), c(IDD_MAIN);
  EXPECT_EQ(a.DoModal(), IDCANCEL);
  EXPECT_EQ(b.DoModal(), IDCANCEL);
  EXPECT_EQ(c.DoModal(), IDOK);  // Enter: the default button
  EXPECT_EQ(ui.ModalDialogs().size(), 3u);
}

namespace {
class CAboutMenuDlg : public CDialog {
 public:
  CAboutMenuDlg() : CDialog(IDD_MAIN) {}
  int about = 0, closes = 0;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    CMenu* menu = GetSystemMenu(FALSE);
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, 0x10, "&About...");
    return TRUE;
  }
  afx_msg void OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == 0x10)
      ++about;
    else
      CDialog::OnSysCommand(nID, lParam);
  }
  afx_msg void OnClose() {
    ++closes;
    CDialog::OnClose();
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CAboutMenuDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_CLOSE()
END_MESSAGE_MAP()
}  // namespace

TEST(Messages, SystemMenuItemReachesOnSysCommandAndCloseGoesThroughOnClose) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  CAboutMenuDlg dlg;
  ui.OnModal(IDD_MAIN, [&](CDialog& d) {
    CMenu* menu = d.GetSystemMenu(FALSE);
    ASSERT_EQ(menu->GetMenuItemCount(), 2u);
    EXPECT_EQ(menu->GetMenuItemID(1), 0x10u);
    UserSystemMenu(d, 0x10);
    UserCloseBox(d);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.about, 1);
  EXPECT_EQ(dlg.closes, 1);
}

TEST(Messages, ScriptedTimerFiresOnlyWhileSet) {
  Headless headless;
  RegisterTemplates();
  CTimerDlg dlg;
  dlg.stopAfter = 100;
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  EXPECT_TRUE(ScriptedUi::FireTimer(dlg, 1324));
  EXPECT_FALSE(ScriptedUi::FireTimer(dlg, 99));
  dlg.KillTimer(1324);
  EXPECT_FALSE(ScriptedUi::FireTimer(dlg, 1324));
  EXPECT_EQ(dlg.ticks.size(), 1u);
}

namespace {
class CNumberDlg : public CDialog {
 public:
  CNumberDlg() : CDialog(IDD_PAGE) {}
  int m_nValue = 0;
  int m_nZone = 13;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_EDIT, m_nValue);
    DDX_CBIndex(pDX, IDC_COMBO, m_nZone);
  }
};
}  // namespace

TEST(Messages, FailedDataExchangeWarnsAndKeepsTheDialogOpen) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  CNumberDlg dlg;
  ui.OnModal(IDD_PAGE, [](CDialog& d) {
    auto* combo = static_cast<CComboBox*>(d.GetDlgItem(IDC_COMBO));
    for (int i = 0; i < 26; ++i) combo->AddString(std::to_string(13 - i));
    d.UpdateData(FALSE);
    EXPECT_EQ(combo->GetCurSel(), 13);
    d.SetDlgItemText(IDC_EDIT, "12x");
    UserDialogKey(d, VK_RETURN);  // OK refused: not a number
    EXPECT_FALSE(d.IsModalEnded());
    d.SetDlgItemText(IDC_EDIT, " -42 ");
    UserSelect(d, IDC_COMBO, 21);
    UserDialogKey(d, VK_RETURN);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_nValue, -42);
  EXPECT_EQ(dlg.m_nZone, 21);
  ASSERT_EQ(ui.MessageBoxCount(), 1u);
  EXPECT_EQ(ui.LastMessageBox().text, "Please enter an integer.");
  EXPECT_EQ(ui.LastMessageBox().Icon(), UINT{MB_ICONEXCLAMATION});
}
