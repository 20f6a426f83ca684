// The track-log file status dialog: its lines, its button and its picture.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "framework/UserInput.h"
#include "logger/LoggerScreenshots.h"
#include "logger/TrackLogFileStatusDlg.h"
#include "ui/UiTestDialog.h"

namespace {

class FileStatusDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(owner.Create(kUiTestDialog));
    owner.BindMessage(WM_FILESTATUS_CLOSED, [this](WPARAM, LPARAM) {
      ++closed;
      return LRESULT{0};
    });
  }
  UiTestDialog owner;
  std::atomic<int> closed{0};
};

TEST_F(FileStatusDlgTest, LinesFromAWorkerAndTheClosingMessage) {
  CTrackLogFileStatusDlg dlg(&owner);
  dlg.AddLine("before the window");  // nothing to add to: dropped quietly
  ASSERT_TRUE(dlg.Create(CTrackLogFileStatusDlg::IDD, &owner));
  dlg.SetOwnerWindow(owner.m_hWnd);
  dlg.ShowWindow(SW_SHOW);
  EXPECT_EQ(dlg.GetWindowTextString(), "Track Log File Status");
  EXPECT_EQ(dlg.m_btnOK.GetWindowTextString(), "Close");
  EXPECT_EQ(dlg.m_list.GetCount(), 0);

  const std::string wide = "Create File OK /home/user/Tracks/" + std::string(120, 'x') + ".trl";
  std::thread worker([&] {
    dlg.AddLine("Create File OK /tmp/a.trl");
    dlg.AddLine(wide.c_str());
  });
  worker.join();
  ASSERT_EQ(dlg.m_list.GetCount(), 2);
  std::string text;
  dlg.m_list.GetText(1, text);
  EXPECT_EQ(text, wide);
  // The list scrolls sideways to the widest line.
  CRect client;
  dlg.m_list.GetClientRect(&client);
  EXPECT_GT(dlg.m_list.GetHorizontalExtent(), client.Width());

  UserClick(dlg, IDOK);
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(dlg.GetSafeHwnd() != nullptr);  // the owner deletes it, not the button

  // With the owner gone the button tells no one.
  owner.DestroyWindow();
  UserClick(dlg, IDOK);
  EXPECT_EQ(closed, 1);
  dlg.DestroyWindow();
}

TEST(FileStatusDlgScreenshot, WithFileLines) {
  QtView view;
  CTrackLogFileStatusDlg dlg;
  SaveInBothLanguages("tracklog_file_status", [&](const char*) -> CWnd& {
    if (dlg.GetSafeHwnd()) dlg.DestroyWindow();
    dlg.Create(CTrackLogFileStatusDlg::IDD);
    for (const char* name : {"ABC_R-710_Start_20261201-080000_Finish_20261201-101530.trl",
                             "ABC_R-710_Start_20261202-070500_Finish_20261202-093000.trl",
                             "ABC_R-710_Waypoints.trl"}) {
      const std::string line = LoadResString(IDS_FILESTATUS_CREATED) + " /home/user/Tracks/" + name;
      dlg.AddLine(line.c_str());
    }
    dlg.ShowWindow(SW_SHOW);
    return dlg;
  });
  dlg.DestroyWindow();
}

}  // namespace
