#include "photo/PageTrackLogPhoto.h"

#include <cctype>

#include "app/PageCommand.h"
#include "common/UtilityManager.h"
#include "framework/FileDialog.h"
#include "framework/MessageMap.h"
#include "framework/Strings.h"
#include "photo/PhotoCSDlg.h"
#include "res/formats_ids.h"

BEGIN_MESSAGE_MAP(CPageTrackLogPhoto, CLoggerPage)
ON_BN_CLICKED(IDC_PHOTO_FOLDER_BROWSE, &CPageTrackLogPhoto::OnBrowseFolder)
ON_BN_CLICKED(IDC_PHOTO_CONVERT, &CPageTrackLogPhoto::OnConvert)
ON_BN_CLICKED(IDC_PHOTO_TRL_BROWSE, &CPageTrackLogPhoto::OnBrowseTrl)
ON_LBN_SELCHANGE(IDC_PHOTO_RESULT_LIST, &CPageTrackLogPhoto::OnSelchangeResultList)
ON_BN_CLICKED(IDC_PHOTO_COMBINE_SETTING, &CPageTrackLogPhoto::OnPhotoCombineSetting)
END_MESSAGE_MAP()

namespace {
constexpr UINT kProgramTitle = 300;  // caption of the program's message boxes
}  // namespace

CPageTrackLogPhoto::CPageTrackLogPhoto() : CLoggerPage(IDD) {}

CPageTrackLogPhoto::~CPageTrackLogPhoto() = default;

BOOL CPageTrackLogPhoto::OnInitDialog() {
  CLoggerPage::OnInitDialog();
  m_pMainDlg = GetParent() ? GetParent()->GetParent() : nullptr;
  LoadControlTexts();
  g_utilityManager.GetPhotoTimeZone(m_nPhotoZone);
  return TRUE;
}

void CPageTrackLogPhoto::LoadControlTexts() {
  static const struct {
    int control;
    UINT text;
  } kTexts[] = {
      {IDC_PHOTO_FRAME, IDS_PHOTO_FRAME},
      {IDC_PHOTO_TRL_LABEL, IDS_FORMAT_SOURCE_LABEL},
      {IDC_PHOTO_FOLDER_LABEL, IDS_PHOTO_FOLDER_LABEL},
      {IDC_PHOTO_COMBINE_SETTING, IDS_PHOTO_COMBINE_SETTING},
      {IDC_PHOTO_CONVERT, IDS_FORMAT_CONVERT},
      {IDC_PHOTO_CONVERT_STATUS, IDS_FORMAT_STATUS},
  };
  for (const auto& t : kTexts) SetDlgItemText(t.control, LoadText(t.text));
}

void CPageTrackLogPhoto::RestoreDefaults() {
  g_utilityManager.SetPhotoTimeZone(0);
  g_utilityManager.SetCameraOffset(0, 0, 0, 0);
  g_utilityManager.m_bPhotoSettingsReset = TRUE;
}

void CPageTrackLogPhoto::OnBrowseTrl() {
  CFileDialog chooser(TRUE, "TRL", "*.trl", 0, LoadText(IDS_FILTER_TRL).c_str(), this);
  if (chooser.DoModal() != IDOK) return;
  RedrawWindow();
  m_strTrlPath = chooser.GetPathName();
  SetDlgItemText(IDC_PHOTO_TRL_PATH, m_strTrlPath);
}

void CPageTrackLogPhoto::OnBrowseFolder() {
  const std::string folder = BrowseForFolder("", this);
  if (folder.empty()) return;  // cancelled
  m_strPhotoFolder = folder;
  SetDlgItemText(IDC_PHOTO_FOLDER, m_strPhotoFolder);
}

void CPageTrackLogPhoto::OnPhotoCombineSetting() {
  CPhotoCSDlg dialog;
  if (dialog.DoModal() != IDOK) return;
  dialog.GetTimeZone(m_nPhotoZone);
  dialog.GetCalibrationSeconds(m_nCalibrationSeconds);
}

void CPageTrackLogPhoto::ShowError(const std::string& text) {
  MessageBox(text, LoadResString(kProgramTitle), MB_OK | MB_ICONSTOP);
}

BYTE CPageTrackLogPhoto::CheckRecord(const BYTE* record) const {
  BYTE check = 0;
  for (int i = 0; i < 15; ++i) check ^= record[i];
  return check;
}

void CPageTrackLogPhoto::ClearPhotoSettingsReset() {
  g_utilityManager.m_bPhotoSettingsReset = FALSE;
}

DWORD CPageTrackLogPhoto::ParseHexText(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::size_t i = upper.compare(0, 2, "0X") == 0 ? 2 : 0;
  DWORD value = 0;
  for (; i < upper.size(); ++i) {
    const char c = upper[i];
    DWORD digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<DWORD>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<DWORD>(c - 'A' + 10);
    } else {
      break;
    }
    value = value << 4 | digit;
  }
  return value;
}

void CPageTrackLogPhoto::ResetResultList() { m_listResult.ResetContent(); }

void CPageTrackLogPhoto::AddResultLine(const std::string& line) { m_listResult.AddString(line); }

void CPageTrackLogPhoto::SetStatusText(const std::string& text) {
  m_staticStatus.SetWindowText(text);
}

std::string CPageTrackLogPhoto::GetStatusText() const {
  std::string text;
  m_staticStatus.GetWindowText(text);
  return text;
}

const std::string& CPageTrackLogPhoto::LoadText(UINT id) {
  m_strText = LoadResString(id);
  return m_strText;
}

void CPageTrackLogPhoto::DoDataExchange(CDataExchange* pDX) {
  CLoggerPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PHOTO_RESULT_LIST, m_listResult);
  DDX_Control(pDX, IDC_PHOTO_STATUS, m_staticStatus);
  DDX_Control(pDX, IDC_PHOTO_CONVERT_STATUS, m_staticConvert);
  DDX_Text(pDX, IDC_PHOTO_FOLDER, m_strPhotoFolder);
}
