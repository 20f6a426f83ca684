// The Photo Combine Setting dialog as the photo page runs it: the zone
// rules, the offset sum, OK and Cancel.
#include <gtest/gtest.h>

#include "app/PageCommand.h"
#include "common/UtilityManager.h"
#include "framework/Strings.h"
#include "framework/UserInput.h"
#include "photo/PageTrackLogPhoto.h"
#include "photo/PhotoCSDlg.h"
#include "platform/TimeZone.h"
#include "res/app_ids.h"
#include "support/ScriptedUi.h"

namespace {

std::string Text(const CWnd& dlg, int id) {
  std::string text;
  dlg.GetDlgItemText(id, text);
  return text;
}

class PhotoCSDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(page.Create(IDD_PAGE_TRACKLOG_PHOTO, nullptr));
    g_utilityManager.m_bPhotoZoneInitialised = FALSE;
    g_utilityManager.m_bPhotoSettingsReset = FALSE;
    g_utilityManager.SetPhotoTimeZone(0);
    g_utilityManager.SetCameraOffset(0, 0, 0, 0);
    g_utilityManager.SetWriteGpsToPhoto(0);
  }
  void TearDown() override {
    SetSystemTimeZoneForTesting(nullptr);
    g_utilityManager.m_bPhotoZoneInitialised = FALSE;
    g_utilityManager.SetPhotoTimeZone(0);
    g_utilityManager.SetCameraOffset(0, 0, 0, 0);
    g_utilityManager.SetWriteGpsToPhoto(0);
  }
  // Runs the dialog from the page's button; script acts on it and ends it.
  void Run(std::function<void(CPhotoCSDlg&)> script) {
    ui.OnModal(IDD_PHOTO_COMBINE_SETTING,
               [script](CDialog& d) { script(static_cast<CPhotoCSDlg&>(d)); });
    page.OnPhotoCombineSetting();
  }
  // The selected zone text ("" when none) and the zone the page gets on OK.
  std::string RunAndReadZone(int& zone) {
    std::string text;
    Run([&](CPhotoCSDlg& dlg) {
      const int selected = dlg.m_comboTimeZone.GetCurSel();
      if (selected >= 0) dlg.m_comboTimeZone.GetLBText(selected, text);
      UserClick(dlg, IDOK);
    });
    zone = page.m_nPhotoZone;
    return text;
  }

  ScriptedUi ui;
  CPageTrackLogPhoto page;
};

TEST_F(PhotoCSDlgTest, ZoneFromTheSystemOnceThenStoredThenDefaults) {
  int zone = 99;
  SetSystemTimeZoneForTesting("CST-8");  // bias -480
  EXPECT_EQ(RunAndReadZone(zone), "+8");
  EXPECT_EQ(zone, 8);
  int stored = 0;
  g_utilityManager.GetPhotoTimeZone(stored);
  EXPECT_EQ(stored, 8);
  // Later dialogs of the run start from the stored zone.
  SetSystemTimeZoneForTesting("EST5");
  EXPECT_EQ(RunAndReadZone(zone), "+8");
  // The page's Defaults: the next dialog starts at "0".
  page.SendMessage(WM_PAGE_COMMAND, PAGECMD_DEFAULTS, 0);
  EXPECT_EQ(page.m_nPhotoZone, 8);  // the page keeps its own until OK
  EXPECT_EQ(RunAndReadZone(zone), "0");
  EXPECT_EQ(zone, 0);
  EXPECT_FALSE(g_utilityManager.m_bPhotoSettingsReset);
}

TEST_F(PhotoCSDlgTest, SystemZonesWithoutAnEntry) {
  int zone = 99;
  SetSystemTimeZoneForTesting("UTC0");  // "-0": selected as "0"
  EXPECT_EQ(RunAndReadZone(zone), "0");
  EXPECT_EQ(zone, 0);
  g_utilityManager.m_bPhotoZoneInitialised = FALSE;
  SetSystemTimeZoneForTesting("LINT-14");
  EXPECT_EQ(RunAndReadZone(zone), "");
  EXPECT_EQ(zone, 14);
  // The list keeps the table's order and a choice gives its zone.
  Run([](CPhotoCSDlg& dlg) {
    ASSERT_EQ(dlg.m_comboTimeZone.GetCount(), 26);
    std::string text;
    dlg.m_comboTimeZone.GetLBText(18, text);
    EXPECT_EQ(text, "-5");
    UserSelect(dlg, IDC_PCS_ZONE, 18);
    UserClick(dlg, IDOK);
  });
  EXPECT_EQ(page.m_nPhotoZone, -5);
}

TEST_F(PhotoCSDlgTest, OffsetSumAndWriteFlagOnOk) {
  g_utilityManager.SetCameraOffset(0, 0, 0, 7);
  Run([](CPhotoCSDlg& dlg) {
    EXPECT_EQ(Text(dlg, IDC_PCS_SEC), "7");  // the stored offset, and its arrows go on from it
    UserSpin(dlg, IDC_PCS_SEC_SPIN, 1);
    EXPECT_EQ(Text(dlg, IDC_PCS_SEC), "8");
    EXPECT_EQ(Text(dlg, IDOK), LoadResString(IDS_MAIN_CLOSE));
    UserType(dlg, IDC_PCS_DAY, "1");
    UserSpin(dlg, IDC_PCS_HOUR_SPIN, -1);
    UserSpin(dlg, IDC_PCS_HOUR_SPIN, -1);
    EXPECT_EQ(Text(dlg, IDC_PCS_HOUR), "-2");
    UserType(dlg, IDC_PCS_MIN, "30");
    UserType(dlg, IDC_PCS_SEC, "0");
    UserClick(dlg, IDC_PCS_WRITE_GPS);
    UserClick(dlg, IDOK);
  });
  EXPECT_EQ(page.m_nCalibrationSeconds, 81000);
  int day, hour, minute, second, write;
  g_utilityManager.GetCameraOffset(day, hour, minute, second);
  EXPECT_EQ(day * 1000000 + hour * 10000 + minute * 100 + second, 1000000 - 20000 + 3000);
  g_utilityManager.GetWriteGpsToPhoto(write);
  EXPECT_EQ(write, 1);
}

TEST_F(PhotoCSDlgTest, CancelKeepsThePageValues) {
  page.m_nPhotoZone = 3;
  page.m_nCalibrationSeconds = 42;
  Run([](CPhotoCSDlg& dlg) {
    UserType(dlg, IDC_PCS_MIN, "5");
    UserSelect(dlg, IDC_PCS_ZONE, 0);
    UserClick(dlg, IDC_PCS_WRITE_GPS);
    UserClick(dlg, IDCANCEL);
  });
  EXPECT_EQ(page.m_nPhotoZone, 3);
  EXPECT_EQ(page.m_nCalibrationSeconds, 42);
  // What the edits stored meanwhile stays; the write flag does not.
  int day, hour, minute, second, write;
  g_utilityManager.GetCameraOffset(day, hour, minute, second);
  EXPECT_EQ(minute, 5);
  g_utilityManager.GetWriteGpsToPhoto(write);
  EXPECT_EQ(write, 0);
}

TEST_F(PhotoCSDlgTest, OffsetsBeyondTheArrowsSurviveReopening) {
  Run([](CPhotoCSDlg& dlg) {
    UserType(dlg, IDC_PCS_DAY, "999");
    UserType(dlg, IDC_PCS_MIN, "90");
    UserClick(dlg, IDOK);
  });
  EXPECT_EQ(page.m_nCalibrationSeconds, 999 * 86400 + 90 * 60);
  page.m_nCalibrationSeconds = 0;
  Run([](CPhotoCSDlg& dlg) {
    EXPECT_EQ(Text(dlg, IDC_PCS_DAY), "999");
    EXPECT_EQ(Text(dlg, IDC_PCS_MIN), "90");
    UserClick(dlg, IDOK);
  });
  EXPECT_EQ(page.m_nCalibrationSeconds, 999 * 86400 + 90 * 60);
  // Opening and cancelling stores nothing new.
  g_utilityManager.SetCameraOffset(0, 25, 0, 0);
  Run([](CPhotoCSDlg& dlg) { UserClick(dlg, IDCANCEL); });
  int day, hour, minute, second;
  g_utilityManager.GetCameraOffset(day, hour, minute, second);
  EXPECT_EQ(hour, 25);
}

TEST_F(PhotoCSDlgTest, ThresholdTextInBothLanguages) {
  for (ResLanguage language : {ResLanguage::English, ResLanguage::TraditionalChinese}) {
    SetResLanguage(language);
    Run([](CPhotoCSDlg& dlg) {
      const std::string text = Text(dlg, IDC_PCS_THRESHOLD);
      EXPECT_EQ(text, LoadResString(IDS_PCS_THRESHOLD) + "\r\n(1) " +
                          LoadResString(IDS_PCS_THRESHOLD_EARLY_LATE) + "\r\n(2) " +
                          LoadResString(IDS_PCS_THRESHOLD_GAP) + "\r\n");
      EXPECT_EQ(dlg.GetWindowTextString(), LoadResString(IDS_PHOTO_COMBINE_SETTING));
      EXPECT_EQ(Text(dlg, IDC_PCS_WRITE_GPS), LoadResString(IDS_PCS_WRITE_GPS));
    });
  }
  SetResLanguage(ResLanguage::English);
}

}  // namespace
