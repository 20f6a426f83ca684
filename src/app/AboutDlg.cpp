#include "app/AboutDlg.h"

#include <cstdio>

#include "framework/WinDefs.h"
#include "ui/VersionInfo.h"

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_ABOUT_DEVICE, m_stDevice);
  DDX_Control(pDX, IDOK, m_btnOK);
  DDX_Control(pDX, IDC_ABOUT_VERSION, m_stVersion);
  DDX_Control(pDX, IDC_ABOUT_PRODUCT, m_stProduct);
  DDX_Control(pDX, IDC_ABOUT_COPYRIGHT, m_stCopyright);
}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  LoadDialogTexts();
  CVersionInfo version;
  if (version.Create()) {
    char text[32];
    std::snprintf(text, sizeof text, " %d.%d.%d.%d", version.GetProductVersion(3),
                  version.GetProductVersion(2), version.GetProductVersion(1),
                  version.GetProductVersion(0));
    m_stVersion.SetWindowText(text);
  }
  return TRUE;
}

void CAboutDlg::LoadDialogTexts() {
  SetWindowText(LoadString(300));
  m_stCopyright.SetWindowText(LoadString(IDS_ABOUT_COPYRIGHT));
  m_stProduct.SetWindowText(LoadString(IDS_ABOUT_PRODUCT));
  m_btnOK.SetWindowText(LoadString(IDS_MAIN_CLOSE));
  m_stDevice.SetWindowText(LoadString(IDS_ABOUT_DEVICE));
}
