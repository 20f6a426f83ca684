// The About box: the program's name and version texts and the product
// version of its own version block.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "res/app_ids.h"

class CAboutDlg : public CDialog {
 public:
  enum { IDD = IDD_ABOUTBOX };
  CAboutDlg() : CDialog(IDD) {}

  CStatic m_stDevice;     // 1225
  CButton m_btnOK;        // IDOK
  CStatic m_stVersion;    // 1181
  CStatic m_stProduct;    // 1180
  CStatic m_stCopyright;  // 1179

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

 private:
  void LoadDialogTexts();
};
