#include "photo/PageTrackLogPhoto.h"

#include <cctype>

#include "common/UtilityManager.h"
#include "framework/MessageMap.h"
#include "framework/Strings.h"

BEGIN_MESSAGE_MAP(CPageTrackLogPhoto, CDialog)
ON_LBN_SELCHANGE(IDC_PHOTO_RESULT_LIST, &CPageTrackLogPhoto::OnSelchangeResultList)
END_MESSAGE_MAP()

CPageTrackLogPhoto::CPageTrackLogPhoto() : CDialog(IDD) {}

CPageTrackLogPhoto::~CPageTrackLogPhoto() = default;

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
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PHOTO_RESULT_LIST, m_listResult);
  DDX_Control(pDX, IDC_PHOTO_STATUS, m_staticStatus);
  DDX_Text(pDX, IDC_PHOTO_FOLDER, m_strPhotoFolder);
}
