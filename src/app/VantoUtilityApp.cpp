#include "app/VantoUtilityApp.h"

#include "app/VantoUtilityDlg.h"
#include "res/AppArtwork.h"

CVantoUtilityApp theApp;

BOOL CVantoUtilityApp::InitInstance() {
  Enable3dControlsStatic();
  RegisterAppArtwork();
  CVantoUtilityDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  // The dialog is gone with this scope; no one may reach it as the main window.
  m_pMainWnd = nullptr;
  return FALSE;
}
