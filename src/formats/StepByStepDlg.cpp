#include "formats/StepByStepDlg.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/UtilityManager.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"

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

BOOL CreateOutputFile(const std::string& path, int& fd, std::FILE*& stream) {
  fd = -1;
  stream = nullptr;
  if (path.empty()) return FALSE;
  const int created = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (created < 0) return FALSE;
  // The stream gets its own descriptor of the same open file, so the
  // caller can close the descriptor and the stream each.
  const int second = ::dup(created);
  std::FILE* opened = second >= 0 ? ::fdopen(second, "wb") : nullptr;
  if (opened == nullptr) {
    if (second >= 0) ::close(second);
    ::close(created);
    return FALSE;
  }
  fd = created;
  stream = opened;
  return TRUE;
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
  m_hTextFile = m_hKmlFile = -1;
  m_pTextFile = m_pKmlFile = nullptr;
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

void CStepByStepDlg::PickOutputFile(int checkId, const char* ext, UINT filterId, std::string& path,
                                    int id, int& fd, std::FILE*& stream) {
  fd = -1;
  stream = nullptr;
  if (!IsDlgButtonChecked(checkId)) return;
  const std::string initial = std::string("*.") + ext;
  const std::string filter = LoadString(filterId);
  CFileDialog chooser(FALSE, ext, initial.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                      filter.c_str(), this);
  if (chooser.DoModal() != IDOK) return;
  path = chooser.GetPathName();
  SetDlgItemText(id, path);
}

void CStepByStepDlg::OnSelectTextFile() {
  PickOutputFile(IDC_STEP_TEXT_CHECK, "txt", IDS_FILTER_TXT, m_strTextPath, IDC_STEP_TEXT_PATH,
                 m_hTextFile, m_pTextFile);
}

void CStepByStepDlg::OnSelectKmlFile() {
  PickOutputFile(IDC_STEP_KML_CHECK, "kml", IDS_FILTER_KML, m_strKmlPath, IDC_STEP_KML_PATH,
                 m_hKmlFile, m_pKmlFile);
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
  if (IsDlgButtonChecked(IDC_STEP_KML_CHECK) && !m_bPhotoFolderChosen)
    CreateOutputFile(m_strKmlPath, m_hKmlFile, m_pKmlFile);
  if (IsDlgButtonChecked(IDC_STEP_TEXT_CHECK))
    CreateOutputFile(m_strTextPath, m_hTextFile, m_pTextFile);
  EndDialog(IDOK);
}
