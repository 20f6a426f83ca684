// The firmware pages' use of the main dialog: its buttons, heartbeat thread,
// pictures, device tab and the service pages it holds.
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "firmware/PageDownloadFW.h"
#include "logger/PageMTKTracklogSetting.h"

#if __has_include("app/VantoUtilityDlg.h")
#include "app/VantoUtilityDlg.h"
#define NAVREL_HAS_MAIN_DIALOG 1
#endif

CVantoUtilityDlg* CPageDeviceSetting::MainDialog() const {
#ifdef NAVREL_HAS_MAIN_DIALOG
  return dynamic_cast<CVantoUtilityDlg*>(m_pMainDlg);
#else
  return nullptr;
#endif
}

void CPageDeviceSetting::SetServicePages(CPageMTKTracklogSetting* commands,
                                         CPageDownloadFW* download) {
  m_pCommandPage = commands;
  m_pDownloadPage = download;
  if (commands) commands->SetDevicePage(this);
}

CPageMTKTracklogSetting* CPageDeviceSetting::CommandPage() const {
  if (m_pCommandPage) return m_pCommandPage;
#ifdef NAVREL_HAS_MAIN_DIALOG
  if (CVantoUtilityDlg* main = MainDialog()) return main->m_pPageMTKTracklogSetting;
#endif
  return nullptr;
}

CPageDownloadFW* CPageDeviceSetting::DownloadPage() const {
  if (m_pDownloadPage) return m_pDownloadPage;
#ifdef NAVREL_HAS_MAIN_DIALOG
  if (CVantoUtilityDlg* main = MainDialog()) return main->m_pPageDownloadFW;
#endif
  return nullptr;
}

void CPageDeviceSetting::EnableMainButton(int id, BOOL enable) {
  if (!m_pMainDlg) return;
  if (CWnd* button = m_pMainDlg->GetDlgItem(id)) button->EnableWindow(enable);
}

void CPageDeviceSetting::RunHeartbeat(BOOL run) {
#ifdef NAVREL_HAS_MAIN_DIALOG
  if (CVantoUtilityDlg* main = MainDialog()) main->RunTimerThread(run);
#else
  (void)run;
#endif
}

void CPageDeviceSetting::UpdateMainPictures() {
#ifdef NAVREL_HAS_MAIN_DIALOG
  if (CVantoUtilityDlg* main = MainDialog()) main->UpdateModelPicture();
#endif
}

void CPageDeviceSetting::EnableDeviceTab(BOOL enable) {
#ifdef NAVREL_HAS_MAIN_DIALOG
  if (CVantoUtilityDlg* main = MainDialog()) {
    main->m_nDeviceTabState = enable;
    main->m_tabMain.EnableItem(g_utilityManager.m_cDeviceTab, enable);
  }
#else
  (void)enable;
#endif
}

void CPageDownloadFW::EnableMainButton(int id, BOOL enable) {
  if (!m_pMainDlg) return;
  if (CWnd* button = m_pMainDlg->GetDlgItem(id)) button->EnableWindow(enable);
}

void CPageDownloadFW::EnableDeviceTab(BOOL enable) {
#ifdef NAVREL_HAS_MAIN_DIALOG
  if (auto* main = dynamic_cast<CVantoUtilityDlg*>(m_pMainDlg)) {
    main->m_nDeviceTabState = enable;
    main->m_tabMain.EnableItem(g_utilityManager.m_cDeviceTab, enable);
  }
#else
  (void)enable;
#endif
}
