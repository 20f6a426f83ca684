// The format conversion page and the export options dialog in both
// languages, saved as pictures for review (build folder, screenshots/).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "firmware/FlashLibrary.h"
#include "formats/PageTrackLogFormat.h"
#include "formats/StepByStepDlg.h"
#include "framework/qt/QtView.h"
#include "support/ScriptedUi.h"

namespace {

void Save(CWnd& dialog, const std::string& name) {
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);
  const auto path = folder / name;
  std::filesystem::path part = path;
  part += "." + std::to_string(getpid()) + ".part";
  ASSERT_TRUE(SaveDialogPng(dialog, part.string()));
  EXPECT_GT(std::filesystem::file_size(part), 1000u);
  std::filesystem::rename(part, path);
}

// The visible controls lie inside the dialog and apart from each other.
// A drop-down list counts with its closed height of 12 dialog units.
void ExpectLaidOut(CDialog& dialog, const std::vector<int>& ids, int dropDownId = 0) {
  CRect closed(0, 0, 0, 12);
  dialog.MapDialogRect(&closed);
  CRect client;
  dialog.GetClientRect(&client);
  std::vector<CRect> rects;
  for (int id : ids) {
    CWnd* control = dialog.GetDlgItem(id);
    ASSERT_NE(control, nullptr) << id;
    ASSERT_TRUE(control->IsVisibleFlag()) << id;
    CRect r;
    control->GetWindowRect(&r);
    dialog.ScreenToClient(&r);
    if (id == dropDownId) r.bottom = r.top + closed.bottom;
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << id;
    for (size_t i = 0; i < rects.size(); ++i) {
      const CRect& o = rects[i];
      const bool overlap =
          r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom;
      EXPECT_FALSE(overlap) << id << " and " << ids[i];
    }
    rects.push_back(r);
  }
}

void ShowBoth(const char* suffix) {
  CPageTrackLogFormat page;
  ASSERT_TRUE(page.Create(IDD_PAGE_TRACKLOG_FORMAT, nullptr));
  page.m_strSourcePath = "/home/user/tracks/20061204.trl";
  page.SetDlgItemText(IDC_FORMAT_SOURCE_PATH, page.m_strSourcePath);
  page.m_comboTimeZone.SetCurSel(5);
  page.ShowWindow(SW_SHOW);
  ExpectLaidOut(page,
                {IDC_FORMAT_SOURCE_LABEL, IDC_FORMAT_SOURCE_PATH, IDC_FORMAT_SOURCE_BROWSE,
                 IDC_FORMAT_ZONE_LABEL, IDC_FORMAT_TIME_ZONE, IDC_FORMAT_OUTPUT_LABEL,
                 IDC_FORMAT_OUT_TEXT, IDC_FORMAT_OUT_KML, IDC_FORMAT_OUT_NMEA, IDC_FORMAT_OUT_GPX,
                 IDC_FORMAT_CONVERT, IDC_FORMAT_STATUS},
                IDC_FORMAT_TIME_ZONE);
  Save(page, std::string("format_page_") + suffix + ".png");
  page.DestroyWindow();

  CStepByStepDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_STEP_BY_STEP, nullptr));
  dlg.SetDlgItemText(IDC_STEP_LOG_FOLDER, "/home/user/tracks");
  dlg.ShowWindow(SW_SHOW);
  ExpectLaidOut(dlg, {IDC_STEP_PROMPT, IDC_STEP_LOG_LABEL, IDC_STEP_LOG_FOLDER, IDC_STEP_LOG_BROWSE,
                      IDC_STEP_WRITE_TOTAL, IDC_STEP_COMBINE_JPG, IDC_STEP_PHOTO_FOLDER,
                      IDC_STEP_PHOTO_BROWSE, IDOK, IDCANCEL});
  Save(dlg, std::string("export_options_") + suffix + ".png");
  dlg.DestroyWindow();
}

}  // namespace

TEST(FormatsScreenshot, PageAndExportOptionsInBothLanguages) {
  QtView view;
  ScriptedUi scripted;
  ShowBoth("en");
  SetResLanguage(ResLanguage::TraditionalChinese);
  ShowBoth("zh");
  SetResLanguage(ResLanguage::English);
}
