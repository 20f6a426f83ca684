#include "logger/TrackLogFileStatusDlg.h"

#include "common/UtilityManager.h"
#include "framework/WinDefs.h"
#include "res/app_ids.h"

void CTrackLogFileStatusDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDOK, m_btnOK);
  DDX_Control(pDX, IDC_FILESTATUS_LIST, m_list);
}

BOOL CTrackLogFileStatusDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  EnableTabDialogTheme(this);
  SetWindowText(LoadString(IDS_FILESTATUS_CAPTION));
  m_btnOK.SetWindowText(LoadString(IDS_MAIN_CLOSE));
  m_list.ResetContent();
  return TRUE;
}

void CTrackLogFileStatusDlg::AddLine(const char* text) {
  if (!text || !m_list.GetSafeHwnd() || !IsWindow(m_list.GetSafeHwnd())) return;
  m_list.AddString(text);
}

void CTrackLogFileStatusDlg::OnOK() {
  // A gone owner receives nothing.
  if (m_hOwner && IsWindow(m_hOwner)) ::SendMessage(m_hOwner, WM_FILESTATUS_CLOSED, 0, 0);
}
