// A plain dialog on template 142 ("Dialog" with OK and Cancel); no
// behaviour beyond the framework's.
#pragma once

#include "framework/Dialog.h"
#include "res/app_ids.h"

class CBaseDlg : public CDialog {
 public:
  enum { IDD = IDD_BASE_DIALOG };
  explicit CBaseDlg(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}

 protected:
  void DoDataExchange(CDataExchange* pDX) override { CDialog::DoDataExchange(pDX); }
};
