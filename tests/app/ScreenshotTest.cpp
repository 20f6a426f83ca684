// The main window and the About box as the user sees them, saved as pictures
// for review (build folder, screenshots/).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/AboutDlg.h"
#include "app/VantoUtilityDlg.h"
#include "firmware/FlashLibrary.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/qt/QtView.h"
#include "link/IsolatedPorts.h"
#include "support/ScriptedUi.h"

namespace {

// Saves the dialog under a name of this process and then moves it into place,
// so runs of the suite side by side never read each other's half-written file.
void SaveAndCheck(CWnd& dialog, const std::filesystem::path& path, std::uintmax_t minSize) {
  std::filesystem::path part = path;
  part += "." + std::to_string(getpid()) + ".part";
  ASSERT_TRUE(SaveDialogPng(dialog, part.string()));
  EXPECT_GT(std::filesystem::file_size(part), minSize);
  std::filesystem::rename(part, path);
}

}  // namespace

TEST(ShellScreenshot, MainWindowAndAboutBox) {
  IsolatedPorts ports;
  QtView view;
  ScriptedUi scripted;
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);

  CVantoUtilityDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VANTOUTILITY_DIALOG));
  dlg.ShowWindow(SW_SHOW);
  // With the view's fonts the whole device page shows inside the tab, and the
  // buttons below it inside the window.
  CRect page, inside, tab, client;
  dlg.m_pPageDevice->GetWindowRect(&page);
  dlg.m_tabMain.ScreenToClient(&page);
  dlg.m_tabMain.GetClientRect(&inside);
  EXPECT_LE(page.right, inside.right);
  EXPECT_LE(page.bottom, inside.bottom);
  dlg.m_tabMain.GetWindowRect(&tab);
  dlg.ScreenToClient(&tab);
  dlg.GetClientRect(&client);
  for (int id : {IDC_BUTTON_ABOUT, int{IDOK}}) {
    CRect button;
    dlg.GetDlgItem(id)->GetWindowRect(&button);
    dlg.ScreenToClient(&button);
    EXPECT_GE(button.top, tab.bottom) << id;
    EXPECT_LE(button.right, client.right) << id;
    EXPECT_LE(button.bottom, client.bottom) << id;
  }
  SaveAndCheck(dlg, folder / "main_window.png", 2000u);

  CAboutDlg about;
  ASSERT_TRUE(about.Create(IDD_ABOUTBOX));
  SaveAndCheck(about, folder / "about_box.png", 1000u);
  about.DestroyWindow();
  dlg.DestroyWindow();
}
