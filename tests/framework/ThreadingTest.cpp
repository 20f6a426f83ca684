// Workers setting control state while the GUI thread is busy, with the Qt
// view running (offscreen), and the worker-thread calls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "FrameworkTestSupport.h"
#include "framework/Thread.h"
#include "framework/UserInput.h"
#include "platform/Sleep.h"
#include "support/ScriptedUi.h"

using namespace fwtest;

namespace {

constexpr UINT WM_WORKER_DONE = WM_USER + 300;

class CWorkPage : public CDialog {
 public:
  CWorkPage() : CDialog(IDD_PAGE) {}
  CProgressCtrl m_progress;
  std::atomic<int> doneMessages{0};
  DWORD waitResult = 0;

  static UINT Worker(LPVOID param) {
    auto* page = static_cast<CWorkPage*>(param);
    page->m_progress.SetRange32(0, 10000);
    for (int i = 1; i <= 10000; ++i) {
      page->m_progress.SetPos(i);
      if (i % 100 == 0) page->SetDlgItemText(IDC_STATUS, "Step " + std::to_string(i));
      if (i % 1000 == 0) page->GetDlgItem(IDC_COMBO)->EnableWindow(i % 2000 == 0);
      if (i % 2500 == 0) page->UpdateWindow();
    }
    // A synchronous message to the page, whose thread is waiting for us.
    page->SendMessage(WM_WORKER_DONE, 1);
    return 5;
  }

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_PROGRESS, m_progress); }
  void OnOK() override {}
  void OnCancel() override {}
  afx_msg void OnStart() {
    // The handler waits for the worker on the GUI thread.
    CWinThread* t = AfxBeginThread(&CWorkPage::Worker, this);
    waitResult = t->Wait(20000);
  }
  afx_msg LRESULT OnWorkerDone(WPARAM w, LPARAM) {
    doneMessages += static_cast<int>(w);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CWorkPage, CDialog)
ON_BN_CLICKED(IDC_RADIO_A, &CWorkPage::OnStart)
ON_MESSAGE(WM_WORKER_DONE, &CWorkPage::OnWorkerDone)
END_MESSAGE_MAP()

}  // namespace

TEST(Threading, WorkerUpdatesProgressWhileTheGuiThreadWaitsInAHandler) {
  SharedView();
  RegisterTemplates();
  CDialog main(IDD_MAIN);
  ASSERT_TRUE(main.Create(IDD_MAIN));
  main.ShowWindow(SW_SHOW);
  CWorkPage page;
  ASSERT_TRUE(page.Create(IDD_PAGE, main.GetDlgItem(IDC_TAB)));
  page.ShowWindow(SW_SHOW);
  QCoreApplication::processEvents();

  UserClick(page, IDC_RADIO_A);  // runs OnStart, which waits for the worker

  EXPECT_EQ(page.waitResult, DWORD{WAIT_OBJECT_0});
  EXPECT_EQ(page.doneMessages.load(), 1);
  EXPECT_EQ(page.m_progress.GetPos(), 10000);
  std::string status;
  page.GetDlgItemText(IDC_STATUS, status);
  EXPECT_EQ(status, "Step 10000");
  EXPECT_TRUE(page.GetDlgItem(IDC_COMBO)->IsWindowEnabled());
  // The view catches up on its own thread.
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

namespace {
std::atomic<int> g_counter{0};
UINT CountAndReturn(LPVOID p) {
  g_counter += *static_cast<int*>(p);
  return 17;
}
UINT EndEarly(LPVOID) { AfxEndThread(9); }
}  // namespace

TEST(Threading, WorkerThreadsStartSuspendedEndAndReportTheirCode) {
  Headless headless;
  int add = 3;
  g_counter = 0;
  CWinThread* t = AfxBeginThread(CountAndReturn, &add, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Wait(30), DWORD{WAIT_TIMEOUT});  // still suspended
  DWORD code = 0;
  t->GetExitCodeThread(&code);
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(t->ResumeThread(), 1u);
  EXPECT_EQ(t->Wait(), DWORD{WAIT_OBJECT_0});
  t->GetExitCodeThread(&code);
  EXPECT_EQ(code, 17u);
  EXPECT_EQ(g_counter.load(), 3);
  EXPECT_FALSE(t->IsRunning());  // the object stays valid after the end

  CWinThread* e = AfxBeginThread(EndEarly, nullptr);
  EXPECT_TRUE(AfxWaitForAllThreads(5000));
  e->GetExitCodeThread(&code);
  EXPECT_EQ(code, 9u);
}

namespace {
// The process's address space in MB, from /proc/self/status.
long VmSizeMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmSize:", 0) == 0) return std::stol(line.substr(7)) / 1024;
  return -1;
}
}  // namespace

// Each worker that ended gives its stack back: many workers started and
// ended one after another leave the address space as it was.
TEST(Threading, EndedWorkersReleaseTheirStacks) {
  Headless headless;
  int add = 1;
  auto run = [&] {
    for (int i = 0; i < 200; ++i) ASSERT_EQ(AfxBeginThread(CountAndReturn, &add)->Wait(), 0u);
  };
  run();  // the system's stack cache fills
  const long before = VmSizeMb();
  run();
  // The last stacks go back a moment after their threads said they ended.
  long grown = VmSizeMb() - before;
  for (int i = 0; i < 100 && grown >= 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    grown = VmSizeMb() - before;
  }
  EXPECT_LT(grown, 100) << "MB after 200 ended workers";
}

TEST(Threading, GuiThreadSleepingInAHandlerAnswersAWorkersSend) {
  Headless headless;
  AfxInstallPumpingSleep();
  RegisterTemplates();
  CDialog dlg(IDD_MAIN);
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  std::atomic<bool> answered{false};
  dlg.BindMessage(WM_WORKER_DONE, [&](WPARAM, LPARAM) {
    answered = true;
    return LRESULT{1};
  });
  std::atomic<bool> workerDone{false};
  std::thread worker([&] {
    dlg.SendMessage(WM_WORKER_DONE);
    workerDone = true;
  });
  // A handler polling a flag with sleeps, as the pages' loops do.
  for (int i = 0; i < 400 && !workerDone; ++i) Sleep(5);
  bool doneWhileSleeping = workerDone;
  AfxPumpWait([&] { return workerDone.load(); }, 5000);  // lets a stuck worker go
  worker.join();
  EXPECT_TRUE(doneWhileSleeping);
  EXPECT_TRUE(answered.load());
}

namespace {

// A modal window whose page a worker updates while the view draws it.
class CBusyMain : public CDialog {
 public:
  CBusyMain() : CDialog(IDD_MAIN) {}
  CWorkPage m_page;
  int shownPos = -1;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_page.Create(IDD_PAGE, GetDlgItem(IDC_TAB));
    m_page.ShowWindow(SW_SHOW);
    BindMessage(WM_WORKER_DONE, [this](WPARAM, LPARAM) {
      // The view catches up with the last position, then the window closes.
      for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
      for (QWidget* top : QApplication::topLevelWidgets())
        for (auto* bar : top->findChildren<QProgressBar*>())
          if (reinterpret_cast<HWND>(bar->property("navrelHwnd").value<quintptr>()) ==
              m_page.m_progress.m_hWnd)
            shownPos = bar->value();
      EndDialog(IDOK);
      return LRESULT{0};
    });
    return TRUE;
  }
};

}  // namespace

TEST(Threading, WorkerUpdatesProgressWhileTheViewDrawsTheWindow) {
  SharedView();
  RegisterTemplates();
  ScriptedUi ui;
  ui.LetModalRun(IDD_MAIN);
  CBusyMain dlg;
  ui.OnModal(IDD_MAIN, [&](CDialog&) {
    AfxBeginThread(
        [](LPVOID p) -> UINT {
          auto* d = static_cast<CBusyMain*>(p);
          CWorkPage::Worker(&d->m_page);  // 10,000 positions, texts and states
          d->SendMessage(WM_WORKER_DONE);
          return 0;
        },
        &dlg);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.shownPos, 10000);
  EXPECT_EQ(dlg.m_page.doneMessages.load(), 1);
  EXPECT_TRUE(AfxWaitForAllThreads(5000));
}
