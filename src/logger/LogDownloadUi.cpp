// The chipset log download's side on the window: Upload, the controls it
// locks, the status texts, the watchdog timer, the status dialog, and the
// restore of the link and the controls at the end.
#include <cinttypes>
#include <cstdio>

#include "app/VantoUtilityDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/Controls.h"
#include "framework/MessageBox.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

namespace {

// Buttons of the main dialog and the device page locked during a download.
constexpr int kMainDefaultAll = 1002;
constexpr int kMainApplyAll = 1001;
constexpr int kDeviceConnect = 1002;
constexpr int kDeviceWriteName = 1095;

void EnableItem(CWnd* window, int id, BOOL enable) {
  if (!window || !window->GetSafeHwnd()) return;
  if (CWnd* item = window->GetDlgItem(id)) item->EnableWindow(enable);
}

}  // namespace

std::string CPageMTKTracklogSetting::FormatElapsed(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[64];
  std::snprintf(text, sizeof text, "Total mins: %02" PRId64 ", secs: %02d", seconds / 60,
                static_cast<int>(seconds % 60));
  return text;
}

bool CPageMTKTracklogSetting::HeartbeatStopped() {
  return g_utilityManager.m_bWorkerStopped != 0;  // an atomic flag
}

CWnd* CPageMTKTracklogSetting::DownloadMainDialog() const {
  CWnd* tab = GetParent();
  return tab ? tab->GetParent() : nullptr;
}

void CPageMTKTracklogSetting::SetTransferStatus(const std::string& text) {
  SetDlgItemText(IDC_MTK_TRANSFER_STATUS, text);
}

void CPageMTKTracklogSetting::SetTransferProgress(int percent) {
  if (auto* bar = dynamic_cast<CProgressCtrl*>(GetDlgItem(IDC_MTK_PROGRESS))) bar->SetPos(percent);
  SetDlgItemText(IDC_MTK_PERCENT, std::to_string(percent) + "%");
}

namespace {

// "Upload Failed! %s" filled with why.
std::string FailureText(const std::string& format, const std::string& why) {
  char line[1024];
  std::snprintf(line, sizeof line, format.c_str(), why.c_str());
  return line;
}

}  // namespace

void CPageMTKTracklogSetting::ReportFileError(const std::string& text) {
  if (m_strDownloadError.empty()) m_strDownloadError = text;
  const std::string line = FailureText(LoadString(IDS_DL_FAILED), text);
  SetTransferStatus(line);
  if (m_pFileStatusDlg && m_pFileStatusDlg->GetSafeHwnd()) m_pFileStatusDlg->AddLine(line.c_str());
}

void CPageMTKTracklogSetting::ShowDownloadFailure() {
  SetTransferStatus(FailureText(LoadString(IDS_DL_FAILED), m_strDownloadError));
}

void CPageMTKTracklogSetting::EnableDownloadControls(BOOL enable) {
  auto* main = dynamic_cast<CVantoUtilityDlg*>(DownloadMainDialog());
  if (!enable && main) {
    main->m_nDeviceTabState = 0;
    main->m_tabMain.EnableItem(g_utilityManager.m_cDeviceTab, FALSE);
  }
  if (enable && m_pFileStatusDlg && m_pFileStatusDlg->GetSafeHwnd())
    EnableItem(m_pFileStatusDlg.get(), IDOK, TRUE);
  for (int id :
       {kMainDefaultAll, static_cast<int>(IDOK), static_cast<int>(IDCANCEL), kMainApplyAll})
    EnableItem(main, id, enable);
  EnableItem(m_pLinkDevicePage, kDeviceConnect, enable);
  EnableItem(m_pLinkDevicePage, kDeviceWriteName, enable);
  EnableItem(this, IDC_MTK_CLEAR, enable);
  EnableItem(this, IDC_MTK_READ, enable);
  if (enable) EnableItem(this, IDC_MTK_UPLOAD, TRUE);
}

void CPageMTKTracklogSetting::OnUpload() {
  if (m_pDownloadThread && m_pDownloadThread->IsRunning()) return;
  SetDlgItemText(IDC_MTK_PERCENT, "0%");
  if (auto* bar = dynamic_cast<CProgressCtrl*>(GetDlgItem(IDC_MTK_PROGRESS))) {
    bar->SetRange(0, 100);
    bar->SetPos(0);
  }
  EnableItem(this, IDC_MTK_UPLOAD, FALSE);
  UpdateData(TRUE);
  SetTransferStatus(LoadString(IDS_DL_START));

  m_pFileStatusDlg.reset();
  CWnd* main = DownloadMainDialog();
  m_pFileStatusDlg = std::make_unique<CTrackLogFileStatusDlg>(main);
  if (m_pFileStatusDlg->Create(IDD_TRACKLOG_FILE_STATUS, main)) {
    m_pFileStatusDlg->SetOwnerWindow(GetSafeHwnd());
    EnableItem(m_pFileStatusDlg.get(), IDOK, FALSE);
  }
  JoinReceiveThread();
  m_bAbandonDownload = 0;
  m_pDownloadThread = AfxBeginThread(DownloadLogThreadProc, this);
}

UINT_PTR CPageMTKTracklogSetting::StartWatchdog(int periodMs, int timerId) {
  const UINT_PTR id = SetTimer(static_cast<UINT_PTR>(timerId), static_cast<UINT>(periodMs));
  if (id == 0) {
    ShowMessageBox(GetSafeHwnd(), "Unable to obtain timer", "IDT_TIMER_0", MB_SYSTEMMODAL);
    return 0;
  }
  m_bTransferCancel = 0;
  return id;
}

BOOL CPageMTKTracklogSetting::StopWatchdog(int timerId) {
  return KillTimer(static_cast<UINT_PTR>(timerId));
}

void CPageMTKTracklogSetting::StopArmedWatchdog() {
  // An expired watchdog has killed its timer already.
  if (m_nWatchdogTimer.exchange(0) != 0) StopWatchdog(kWatchdogTimerId);
}

void CPageMTKTracklogSetting::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kWatchdogTimerId) {
    KillTimer(nIDEvent);
    m_nWatchdogTimer = 0;
    m_bTransferCancel = 1;
    g_bReceiving = 0;
    m_bReceiveStop = 1;
    ClearReplyBuffer();
  }
  CLoggerPage::OnTimer(nIDEvent);
}

LRESULT CPageMTKTracklogSetting::OnFileStatusClosed(WPARAM, LPARAM) {
  m_pFileStatusDlg.reset();
  return 0;
}

void CPageMTKTracklogSetting::JoinReceiveThread() {
  if (!m_pReceiveThread) return;
  m_bReceiveStop = 1;
  m_pReceiveThread->Wait();
  m_pReceiveThread = nullptr;
}

void CPageMTKTracklogSetting::RestoreLinkSpeed() {
  CPageDeviceSetting* device = m_pLinkDevicePage;
  if (!device || device->m_hComPort == nullptr) return;
  SendLogCommand(14, 38400, 0);
  Sleep(500);
  device->RestorePortSpeed();
  g_utilityManager.m_bHighSpeed = FALSE;
}

void CPageMTKTracklogSetting::RestoreAfterDownload() {
  if (m_bAbandonDownload) return;  // the window and its pages are going
  CPageDeviceSetting* device = m_pLinkDevicePage;
  auto* main = dynamic_cast<CVantoUtilityDlg*>(DownloadMainDialog());
  if (device && device->FindBridgePort()) {
    if (main) main->RunTimerThread(FALSE);
    Sleep(1000);
    RestoreLinkSpeed();
    g_utilityManager.m_bHighSpeed = FALSE;
    Sleep(1000);
    if (HeartbeatStopped() && main) main->RunTimerThread(TRUE);
  }
  if (!m_bTransferCancel) {
    if (HeartbeatStopped() && main) main->RunTimerThread(TRUE);
    if (main) {
      main->m_nDeviceTabState = 1;
      main->m_tabMain.EnableItem(g_utilityManager.m_cDeviceTab, TRUE);
    }
  }
  EnableDownloadControls(TRUE);
}

void CPageMTKTracklogSetting::StopDownload() {
  if (m_pDownloadThread && m_pDownloadThread->IsRunning()) {
    m_bAbandonDownload = 1;
    if (CDialog* options = m_pOptionsDlg.load()) options->EndDialog(IDCANCEL);
    m_bTransferCancel = 1;
    g_bReceiving = 0;
    m_pDownloadThread->Wait();
  }
  JoinReceiveThread();
}
