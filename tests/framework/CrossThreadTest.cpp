// Dialogs owned by one thread and driven from another: a worker's modal
// dialog, EndDialog from a worker, user input arriving on the wrong thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FrameworkTestSupport.h"
#include "framework/Thread.h"
#include "framework/UserInput.h"
#include "support/ScriptedUi.h"

using namespace fwtest;

TEST(CrossThread, WorkerRunsAModalDialogOnItsOwnThread) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  std::thread::id scriptThread;
  ui.OnModal(IDD_MAIN, [&](CDialog& d) {
    scriptThread = std::this_thread::get_id();
    d.EndDialog(IDOK);
  });
  struct Job {
    INT_PTR result = 0;
    std::thread::id thread;
  } job;
  CWinThread* t = AfxBeginThread(
      [](LPVOID p) -> UINT {
        auto* j = static_cast<Job*>(p);
        j->thread = std::this_thread::get_id();
        CDialog dlg(IDD_MAIN);
        j->result = dlg.DoModal();
        return 0;
      },
      &job);
  ASSERT_EQ(t->Wait(30000), DWORD{WAIT_OBJECT_0});
  EXPECT_EQ(job.result, IDOK);
  EXPECT_EQ(scriptThread, job.thread);
}

TEST(CrossThread, EndDialogFromAWorkerEndsTheModalLoop) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  ui.LetModalRun(IDD_MAIN);
  CDialog dlg(IDD_MAIN);
  ui.OnModal(IDD_MAIN, [](CDialog& d) {
    AfxBeginThread(
        [](LPVOID p) -> UINT {
          static_cast<CDialog*>(p)->EndDialog(33);
          return 0;
        },
        &d);
  });
  EXPECT_EQ(dlg.DoModal(), 33);
  EXPECT_TRUE(AfxWaitForAllThreads(5000));
}

TEST(CrossThread, UserInputFromAnotherThreadRunsOnTheOwner) {
  Headless headless;
  RegisterTemplates();
  CDialog dlg(IDD_MAIN);
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  dlg.ShowWindow(SW_SHOW);
  std::thread::id clickedOn;
  dlg.BindCommand(IDC_ABOUT, BN_CLICKED, [&] { clickedOn = std::this_thread::get_id(); });
  std::atomic<bool> done{false};
  std::thread user([&] {
    UserClick(dlg, IDC_ABOUT);  // waits for the owner to run it
    done = true;
  });
  EXPECT_TRUE(AfxPumpWait([&] { return done.load(); }, 30000));
  user.join();
  EXPECT_EQ(clickedOn, std::this_thread::get_id());
}

TEST(CrossThread, EditTextSetByAWorkerReportsTheChangeOnTheOwnerThread) {
  Headless headless;
  RegisterTemplates();
  CDialog page(IDD_PAGE);
  ASSERT_TRUE(page.Create(IDD_PAGE));
  std::vector<std::thread::id> changes;
  page.BindCommand(IDC_EDIT, EN_CHANGE, [&] { changes.push_back(std::this_thread::get_id()); });
  std::thread worker([&] { page.SetDlgItemText(IDC_EDIT, "12"); });
  worker.join();
  EXPECT_TRUE(changes.empty());  // queued, not run on the worker
  AfxPumpMessages();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], std::this_thread::get_id());
}
