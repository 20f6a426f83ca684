// The modeless "Track Log File Status" dialog: one line for every file a
// chipset log download writes. Its button tells the owner page, which then
// deletes the dialog.
#pragma once

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "res/logger_ids.h"
#include "ui/HListBox.h"

#ifndef WM_FILESTATUS_CLOSED
#define WM_FILESTATUS_CLOSED (WM_USER + 200)
#endif

class CTrackLogFileStatusDlg : public CDialog {
 public:
  enum { IDD = IDD_TRACKLOG_FILE_STATUS };
  explicit CTrackLogFileStatusDlg(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}

  void SetOwnerWindow(HWND owner) { m_hOwner = owner; }
  // Adds a line when the list exists (callable from the download worker);
  // before the window is created it does nothing.
  void AddLine(const char* text);

  CButton m_btnOK;   // IDOK
  CHListBox m_list;  // 1156
  HWND m_hOwner = nullptr;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // Tells the owner; the dialog neither ends nor destroys itself.
  void OnOK() override;
};
