// The photo page after a Convert and the Photo Combine Setting dialog, in
// both languages, saved as pictures for review (build folder, screenshots/).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/UtilityManager.h"
#include "firmware/FlashLibrary.h"
#include "framework/Strings.h"
#include "framework/qt/QtView.h"
#include "photo/PageTrackLogPhoto.h"
#include "photo/PhotoCSDlg.h"
#include "res/formats_ids.h"
#include "support/ScriptedUi.h"

namespace {

// Saved under a name of this process first, then moved into place.
void SaveAndCheck(CWnd& dialog, const std::string& name) {
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);
  const auto path = folder / name;
  auto part = path;
  part += "." + std::to_string(getpid()) + ".part";
  ASSERT_TRUE(SaveDialogPng(dialog, part.string()));
  EXPECT_GT(std::filesystem::file_size(part), 1000u);
  std::filesystem::rename(part, path);
}

// Every visible control inside the dialog's client area.
void ExpectControlsInside(CWnd& dialog, std::initializer_list<int> ids) {
  CRect client;
  dialog.GetClientRect(&client);
  for (int id : ids) {
    CRect r;
    dialog.GetDlgItem(id)->GetWindowRect(&r);
    dialog.ScreenToClient(&r);
    EXPECT_GE(r.left, 0) << id;
    EXPECT_GE(r.top, 0) << id;
    EXPECT_LE(r.right, client.right) << id;
    EXPECT_LE(r.bottom, client.bottom) << id;
  }
}

class PhotoScreenshot : public ::testing::TestWithParam<ResLanguage> {
 protected:
  void SetUp() override { SetResLanguage(GetParam()); }
  void TearDown() override { SetResLanguage(ResLanguage::English); }
  std::string Suffix() const { return GetParam() == ResLanguage::English ? "en" : "zh"; }

  QtView view;
  ScriptedUi scripted;
};

TEST_P(PhotoScreenshot, PhotoPageAfterConvert) {
  CPageTrackLogPhoto page;
  ASSERT_TRUE(page.Create(IDD_PAGE_TRACKLOG_PHOTO, nullptr));
  page.m_strTrlPath = "/home/user/tracks/20080501_080000.trl";
  page.SetDlgItemText(IDC_PHOTO_TRL_PATH, page.m_strTrlPath);
  page.m_strPhotoFolder = "/home/user/photos/2008-05-01";
  page.SetDlgItemText(IDC_PHOTO_FOLDER, page.m_strPhotoFolder);
  page.m_staticConvert.SetWindowText(page.LoadText(IDS_FORMAT_CONVERTED));
  const std::string parsed = page.LoadText(IDS_PHOTO_PARSED);
  const std::string pass = page.LoadText(IDS_PHOTO_PASS);
  const std::string error = page.LoadText(IDS_PHOTO_ERROR);
  const std::string combined = page.LoadText(IDS_PHOTO_COMBINED);
  page.SetStatusText(parsed + ": " + pass + "2 " + error + "0 \n" + combined + ": " + pass + "1 " +
                     error + "1");
  page.AddResultLine(parsed + " " + pass + page.m_strPhotoFolder + "/IMG_0001.JPG");
  page.AddResultLine(combined + pass + page.m_strPhotoFolder + "/IMG_0001.JPG");
  const std::string failed = page.LoadText(IDS_PHOTO_FAILED);
  const std::string noPoint = page.LoadText(IDS_PHOTO_NO_POINT);
  page.AddResultLine(combined + " " + failed + page.m_strPhotoFolder + "/IMG_0002.JPG;" + noPoint);
  page.ShowWindow(SW_SHOW);
  ExpectControlsInside(page, {IDC_PHOTO_TRL_BROWSE, IDC_PHOTO_FOLDER_BROWSE, IDC_PHOTO_CONVERT,
                              IDC_PHOTO_RESULT_LIST});
  SaveAndCheck(page, "photo_page_" + Suffix() + ".png");
  page.DestroyWindow();
}

TEST_P(PhotoScreenshot, PhotoCombineSettingDialog) {
  g_utilityManager.SetCameraOffset(0, -1, 30, 0);
  g_utilityManager.SetWriteGpsToPhoto(1);
  CPhotoCSDlg dialog;
  ASSERT_TRUE(dialog.Create(IDD_PHOTO_COMBINE_SETTING));
  dialog.ShowWindow(SW_SHOW);
  ExpectControlsInside(dialog, {IDC_PCS_ZONE, IDC_PCS_SEC_SPIN, IDC_PCS_THRESHOLD,
                                IDC_PCS_WRITE_GPS_FRAME, IDOK, IDCANCEL});
  SaveAndCheck(dialog, "photo_combine_setting_" + Suffix() + ".png");
  dialog.DestroyWindow();
  g_utilityManager.SetCameraOffset(0, 0, 0, 0);
  g_utilityManager.SetWriteGpsToPhoto(0);
}

INSTANTIATE_TEST_SUITE_P(Languages, PhotoScreenshot,
                         ::testing::Values(ResLanguage::English, ResLanguage::TraditionalChinese),
                         [](const auto& info) {
                           return info.param == ResLanguage::English ? "English" : "Chinese";
                         });

}  // namespace
