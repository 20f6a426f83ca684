// The track-log setting page and the waypoint page as the user would see
// them, in English and Traditional Chinese, saved as pictures for review
// (build folder, screenshots/).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "firmware/FlashLibrary.h"
#include "framework/Strings.h"
#include "framework/qt/QtView.h"
#include "logger/PageTrackLogSetting.h"
#include "logger/PageWayPointSetting.h"
#include "support/ScriptedUi.h"

namespace {

void Save(CDialog& page, const std::string& name) {
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);
  auto part = folder / (name + "." + std::to_string(getpid()) + ".part");
  page.ShowWindow(SW_SHOW);
  ASSERT_TRUE(SaveDialogPng(page, part.string()));
  EXPECT_GT(std::filesystem::file_size(part), 1500u);
  std::filesystem::rename(part, folder / (name + ".png"));
}

class LoggerScreenshot : public ::testing::TestWithParam<ResLanguage> {
 protected:
  void TearDown() override { SetResLanguage(ResLanguage::English); }
  std::string Suffix() const { return GetParam() == ResLanguage::English ? "_en" : "_zh"; }
};

TEST_P(LoggerScreenshot, BothPages) {
  QtView view;
  ScriptedUi scripted;
  SetResLanguage(GetParam());
  CPageTrackLogSetting settings;
  ASSERT_TRUE(settings.Create(IDD_PAGE_TRACKLOG_SETTING, nullptr));
  settings.SetDlgItemText(IDC_TLS_TRANSFER_STATUS, LoadResString(IDS_TLS_WAITING_START));
  Save(settings, "tracklog_setting_page" + Suffix());
  settings.DestroyWindow();

  CPageWayPointSetting waypoints;
  ASSERT_TRUE(waypoints.Create(IDD_PAGE_WAYPOINT_SETTING, nullptr));
  waypoints.SetDlgItemText(IDC_WPT_STATUS, LoadResString(IDS_WPT_DONE));
  Save(waypoints, "waypoint_page" + Suffix());
  waypoints.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(Languages, LoggerScreenshot,
                         ::testing::Values(ResLanguage::English, ResLanguage::TraditionalChinese));

}  // namespace
