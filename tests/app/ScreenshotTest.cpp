// The main window and the About box as the user sees them, saved as pictures
// for review (build folder, screenshots/).
#include <gtest/gtest.h>

#include <filesystem>

#include "app/AboutDlg.h"
#include "app/VantoUtilityDlg.h"
#include "firmware/FlashLibrary.h"
#include "framework/qt/QtView.h"
#include "link/IsolatedPorts.h"
#include "support/ScriptedUi.h"

TEST(ShellScreenshot, MainWindowAndAboutBox) {
  IsolatedPorts ports;
  QtView view;
  ScriptedUi scripted;
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);

  CVantoUtilityDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VANTOUTILITY_DIALOG));
  dlg.ShowWindow(SW_SHOW);
  const auto main = folder / "main_window.png";
  ASSERT_TRUE(SaveDialogPng(dlg, main.string()));
  EXPECT_GT(std::filesystem::file_size(main), 2000u);

  CAboutDlg about;
  ASSERT_TRUE(about.Create(IDD_ABOUTBOX));
  const auto aboutPng = folder / "about_box.png";
  ASSERT_TRUE(SaveDialogPng(about, aboutPng.string()));
  EXPECT_GT(std::filesystem::file_size(aboutPng), 1000u);
  about.DestroyWindow();
  dlg.DestroyWindow();
}
