#include "formats/StepByStepDlg.h"

#include <cerrno>

#include "common/FailureText.h"
#include "common/UtilityManager.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "res/common_ids.h"

BEGIN_MESSAGE_MAP(CStepByStepDlg, CDialog)
ON_BN_CLICKED(IDC_STEP_LOG_BROWSE, &CStepByStepDlg::OnSelectLogFolder)
ON_BN_CLICKED(IDC_STEP_PHOTO_BROWSE, &CStepByStepDlg::OnSelectPhotoFolder)
ON_BN_CLICKED(IDC_STEP_TEXT_BROWSE, &CStepByStepDlg::OnSelectTextFile)
ON_BN_CLICKED(IDC_STEP_KML_BROWSE, &CStepByStepDlg::OnSelectKmlFile)
ON_BN_CLICKED(IDC_STEP_COMBINE_JPG, &CStepByStepDlg::OnCombineJpg)
ON_BN_CLICKED(IDC_STEP_TEXT_CHECK, &CStepByStepDlg::OnTextCheck)
ON_BN_CLICKED(IDC_STEP_KML_CHECK, &CStepByStepDlg::OnKmlCheck)
ON_BN_CLICKED(IDC_STEP_WRITE_TOTAL, &CStepByStepDlg::OnWriteTotal)
END_MESSAGE_MAP()

void CStepByStepDlg::DiscardOutput(Output which) {
  File(which).Discard();
  DescriptorOf(which) = -1;
  StreamOf(which) = nullptr;
}

int CStepByStepDlg::CreateOutput(Output which) {
  DiscardOutput(which);
  OutputFile& file = File(which);
  // Never the chosen path itself: a link planted there would be written
  // through, and a failed download would leave an earlier file cut short.
  int err = PathOf(which).empty() ? EINVAL : file.Create(PathOf(which));
  if (err == 0 && file.Stream() == nullptr) err = errno;
  if (err != 0) {
    DiscardOutput(which);
    return err;
  }
  DescriptorOf(which) = file.Descriptor();
  StreamOf(which) = file.Stream();
  return 0;
}

int CStepByStepDlg::CommitOutput(Output which) {
  DescriptorOf(which) = -1;
  StreamOf(which) = nullptr;
  return File(which).Commit();
}

void CStepByStepDlg::DiscardOutputs() {
  for (Output which : {kTextOutput, kKmlOutput}) DiscardOutput(which);
}

BOOL CStepByStepDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  EnableTabDialogTheme(this);
  SetWindowText(LoadString(IDS_STEP_TITLE));
  SetDlgItemTextRes(IDC_STEP_PROMPT, IDS_STEP_PROMPT);
  SetDlgItemTextRes(IDC_STEP_LOG_LABEL, IDS_STEP_LOG_LABEL);
  SetDlgItemTextRes(IDC_STEP_WRITE_TOTAL, IDS_STEP_WRITE_TOTAL);
  SetDlgItemTextRes(IDC_STEP_COMBINE_JPG, IDS_STEP_COMBINE_JPG);
  SetDlgItemTextRes(IDOK, 301);
  SetDlgItemTextRes(IDCANCEL, 302);
  DiscardOutputs();
  m_bPhotoFolderChosen = 0;
  m_bLogFolderChosen = 0;
  m_bWriteTotal = 0;
  return TRUE;
}

void CStepByStepDlg::PickFolder(UINT titleId, std::string& path, int& chosen, int id) {
  // The picker answers "" when cancelled.
  const std::string folder = BrowseForFolder(LoadString(titleId), this);
  if (folder.empty()) return;
  chosen = 1;
  path = folder;
  SetDlgItemText(id, path);
}

void CStepByStepDlg::OnSelectLogFolder() {
  m_bLogFolderChosen = 0;
  PickFolder(IDS_STEP_LOG_LABEL, m_strLogFolder, m_bLogFolderChosen, IDC_STEP_LOG_FOLDER);
}

void CStepByStepDlg::OnSelectPhotoFolder() {
  m_bPhotoFolderChosen = 0;
  if (!IsDlgButtonChecked(IDC_STEP_COMBINE_JPG)) return;
  PickFolder(IDS_STEP_COMBINE_JPG, m_strPhotoFolder, m_bPhotoFolderChosen, IDC_STEP_PHOTO_FOLDER);
}

void CStepByStepDlg::PickOutputFile(int checkId, const char* ext, UINT filterId, Output which,
                                    int id) {
  DiscardOutput(which);
  if (!IsDlgButtonChecked(checkId)) return;
  const std::string initial = std::string("*.") + ext;
  const std::string filter = LoadString(filterId);
  CFileDialog chooser(FALSE, ext, initial.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                      filter.c_str(), this);
  if (chooser.DoModal() != IDOK) return;
  PathOf(which) = chooser.GetPathName();
  SetDlgItemText(id, PathOf(which));
}

void CStepByStepDlg::OnSelectTextFile() {
  PickOutputFile(IDC_STEP_TEXT_CHECK, "txt", IDS_FILTER_TXT, kTextOutput, IDC_STEP_TEXT_PATH);
}

void CStepByStepDlg::OnSelectKmlFile() {
  PickOutputFile(IDC_STEP_KML_CHECK, "kml", IDS_FILTER_KML, kKmlOutput, IDC_STEP_KML_PATH);
}

void CStepByStepDlg::OnTextCheck() {
  if (IsDlgButtonChecked(IDC_STEP_TEXT_CHECK)) return;
  m_strTextPath.clear();
  SetDlgItemText(IDC_STEP_TEXT_PATH, "");
  CheckDlgButton(IDC_STEP_TEXT_CHECK, 0);
}

void CStepByStepDlg::OnKmlCheck() {
  if (IsDlgButtonChecked(IDC_STEP_KML_CHECK)) return;
  m_strKmlPath.clear();
  SetDlgItemText(IDC_STEP_KML_PATH, "");
  CheckDlgButton(IDC_STEP_KML_CHECK, 0);
}

void CStepByStepDlg::OnCombineJpg() {
  if (IsDlgButtonChecked(IDC_STEP_COMBINE_JPG) || !m_bPhotoFolderChosen) return;
  m_bPhotoFolderChosen = 0;
  m_photoKmlFile.Abort();
  m_strKmlPath.clear();
  SetDlgItemText(IDC_STEP_KML_PATH, "");
}

void CStepByStepDlg::OnWriteTotal() {
  m_bWriteTotal = IsDlgButtonChecked(IDC_STEP_WRITE_TOTAL) ? 1 : 0;
}

void CStepByStepDlg::OnOK() {
  if (!m_bLogFolderChosen) {
    m_strMessage = LoadString(IDS_STEP_NO_LOG_FOLDER);
    ShowMessageBox(GetSafeHwnd(), m_strMessage, LoadString(300), MB_ICONSTOP);
    return;
  }
  const bool ticked[] = {IsDlgButtonChecked(IDC_STEP_KML_CHECK) && !m_bPhotoFolderChosen,
                         IsDlgButtonChecked(IDC_STEP_TEXT_CHECK) != 0};
  for (Output which : {kKmlOutput, kTextOutput}) {
    if (!ticked[which == kKmlOutput ? 0 : 1]) continue;
    // An output that cannot be made is named; the download goes on without it.
    if (const int err = CreateOutput(which); err != 0 && !PathOf(which).empty())
      ShowMessageBox(GetSafeHwnd(), FailureText(IDS_CANNOT_CREATE, PathOf(which), err),
                     LoadString(300), MB_ICONSTOP);
  }
  EndDialog(IDOK);
}
