// Execute: the firmware update through the flashing library, on a worker
// thread, with the Bluetooth address kept and the logger's self test.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/UtilityManager.h"
#include "firmware/FlashProgress.h"
#include "firmware/PageDeviceSetting.h"
#include "firmware/PageDownloadFW.h"
#include "framework/MessageBox.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"

namespace {

constexpr int kMainApplyAll = 1001;
constexpr int kMainDefaultAll = 1002;
constexpr int kMainAbout = 1095;
constexpr int kQuerySelfTest = 837;

// The number n of a port name "COMn" (0 without one).
int PortNumberOf(const std::string& name) {
  const std::size_t com = name.find("COM");
  return com == std::string::npos ? 0 : std::atoi(name.c_str() + com + 3);
}

CPageDeviceSetting* CallbackPage(void* context) {
  return g_pDevicePage ? g_pDevicePage : static_cast<CPageDeviceSetting*>(context);
}

}  // namespace

BOOL CPageDeviceSetting::ApplyPortSelection() {
  return ApplyPortSelection(m_comboPort.GetCurSel(), m_comboBaud.GetCurSel());
}

void CPageDeviceSetting::OnExecute() {
  if (m_szFirmwarePath[0] == '\0') {
    ShowError(IDS_FW_NO_FILE);
    return;
  }
  m_flash.m_bAgentOk = 0;
  m_flash.m_bImageOk = 0;
  m_bDownloadOk = 0;
  for (int id :
       std::initializer_list<int>{IDC_DEV_SELECT_FILE, IDC_DEV_EXECUTE, IDC_DEV_FORCE_UPDATE})
    GetDlgItem(id)->EnableWindow(FALSE);
  EnableMainButton(IDOK, FALSE);
  EnableMainButton(kMainAbout, FALSE);

  InitFlashLibrary();
  // Without the library nothing can run. A missing agent or scatter file
  // only fails its load: the update runs on and ends on the failure text.
  if (m_flash.m_missing == CFlashSession::Missing::Library) {
    ReportMissingFlashFiles();
    return;
  }

  std::string name;
  int baud = 0, handle = 0;
  g_utilityManager.GetPortSettings(name, baud, handle);
  m_strComPort = name;
  m_nComBaud = baud;
  m_hComPort = nullptr;
  if (name.find("COM") != std::string::npos) m_nPortNumber = PortNumberOf(name);
  if (m_nPortNumber >= 10) m_strComPort = "//.//" + name;
  CPageDownloadFW* download = DownloadPage();
  if (download) {
    download->SetPortSettings(name, baud, handle);
    // The window must not close while the logger is being written.
    download->m_bBusy = 1;
  }
  m_pUpdateThread = AfxBeginThread(UpdateThreadProc, this);
}

void CPageDeviceSetting::ReportMissingFlashFiles() {
  ReleaseFlashLibrary();
  SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_NO_LIBRARY));
  ShowError(IDS_FW_NO_LIBRARY);
  // Nothing was sent to the logger: the user may try again after a repair.
  GetDlgItem(IDC_DEV_SELECT_FILE)->EnableWindow(TRUE);
  GetDlgItem(IDC_DEV_EXECUTE)->EnableWindow(TRUE);
  EnableMainButton(IDOK, TRUE);
  EnableMainButton(kMainAbout, TRUE);
}

void CPageDeviceSetting::InitFlashLibrary() {
  SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_INIT_DOWNLOAD));
  m_nProgress = 0;
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  SetDlgItemText(IDC_DEV_PERCENT, "0%");
  m_flash.Prepare(m_szTempImagePath, g_utilityManager.m_nModelCode,
                  CFlashSession::DEVICE_AGENT_PREFIX);
}

void CPageDeviceSetting::LoadDownloadAgent() {
  m_flash.LoadDownloadAgent(g_utilityManager.m_nModelCode, CFlashSession::DEVICE_AGENT_PREFIX);
}

void CPageDeviceSetting::LoadScatterFile() { m_flash.LoadScatterFile(); }

UINT CPageDeviceSetting::UpdateThreadProc(LPVOID param) {
  static_cast<CPageDeviceSetting*>(param)->UpdateFirmware();
  return 0;
}

void CPageDeviceSetting::UpdateFirmware() {
  const int model = g_utilityManager.m_nModelCode;
  CPageDownloadFW* download = DownloadPage();
  auto unlockMain = [&](std::initializer_list<int> ids) {
    for (int id : ids) EnableMainButton(id, TRUE);
  };
  auto done = [&] {
    if (download) download->m_bBusy = 0;
  };
  if (model != 4 && download && !download->ReadBtMac()) {
    SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_PORT_FAILED));
    ReleaseFlashLibrary();
    unlockMain({kMainDefaultAll, IDOK, IDCANCEL, kMainApplyAll});
    ShowPortError(download->GetPortErrorText());
    done();
    return;
  }
  Sleep(2000);
  m_bDownloadOk = static_cast<BYTE>(RunFlashDownload(m_flash.m_hDownload));
  SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_PROCESSING));
  Sleep(2000);
  if (model != 4 && download) download->WriteBtMac();
  Sleep(2000);
  ReleaseFlashLibrary();

  std::string cause;

  if (m_flash.m_bAgentOk == 1 && m_flash.m_bImageOk == 1 && m_bDownloadOk == 1) {
    if (model == 5 || model == 6) SelfTestWait(450);
    if (model == 4) SelfTestWait(700);
    ClosePortHandle();
    if (model == 4) {
      SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_SUCCESS_R38));
      SetDlgItemText(IDC_DEV_WARNING, LoadString(IDS_FW_ODOMETER_NOTE));
    } else {
      SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_SUCCESS));
    }
    SetProgress(1000);
    EnableDeviceTab(TRUE);
    unlockMain({kMainDefaultAll, IDOK, kMainAbout, IDCANCEL, kMainApplyAll});
  } else {
    ClosePortHandle();
    SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_FAILED));
    unlockMain({IDOK, kMainAbout});
    // The installation lacks a file the download needs, or the library could
    // not open the port (permission, gone, busy): the box names it.
    cause = MissingFlashFileText(m_flash);
    if (cause.empty()) {
      std::string name;
      int baud = 0, handle = 0;
      g_utilityManager.GetPortSettings(name, baud, handle);
      SerialPort probe;
      if (!probe.Open(name, static_cast<DWORD>(baud)))
        cause = DescribeSerialError(probe.LastError(), name);
    }
  }
  std::error_code ec;
  std::filesystem::remove(m_szTempImagePath, ec);
  // Connect stays as the identification left it; the new version is read
  // when the program is started again.
  done();
  // Shown when the update has ended, so the window need not wait for the user.
  if (!cause.empty()) ShowPortError(cause);
}

BOOL CPageDeviceSetting::RunFlashDownload(FlashHandle hDownload) {
  m_flash.m_hDownload = hDownload;
  CFlashSession::Callbacks callbacks{DaInitCallback, DaProgressCallback, ImageInitCallback,
                                     ImageProgressCallback, this};
  return m_flash.RunDownload(m_nPortNumber, g_utilityManager.m_nModelCode, callbacks);
}

void CPageDeviceSetting::ReleaseFlashLibrary() { m_flash.Release(); }

void CPageDeviceSetting::SetProgress(int n) {
  CPageDeviceSetting* page = g_pDevicePage ? g_pDevicePage : this;
  m_nProgress = n;
  m_progress.SetPos(n);
  if (n <= 99) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", n);
    page->SetDlgItemText(IDC_DEV_PERCENT, text);
  } else if (n == 1000) {
    m_nProgress = 100;
    page->SetDlgItemText(IDC_DEV_PERCENT, "100%");
  }
}

void CPageDeviceSetting::SelfTestWait(int ms) {
  ApplyPortSelection();
  if (CPageMTKTracklogSetting* commands = CommandPage()) commands->SendDeviceQuery(kQuerySelfTest);
  SetDlgItemText(IDC_DEV_UPDATE_STATUS, LoadString(IDS_FW_SELF_TEST));
  for (int i = 0; i < 100; ++i) {
    Sleep(static_cast<DWORD>(ms));
    SetProgress(i);
  }
}

int CPageDeviceSetting::DaInitCallback(void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DEV_UPDATE_STATUS, 0, IDS_FW_INIT_DA);
}

int CPageDeviceSetting::DaProgressCallback(std::uint32_t percent, std::uint32_t, std::uint32_t,
                                           void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DEV_UPDATE_STATUS, FlashPercent(percent),
                       IDS_FW_DOWNLOAD_DA);
}

int CPageDeviceSetting::ImageInitCallback(void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DEV_UPDATE_STATUS, 0, IDS_FW_INIT_IMAGE);
}

int CPageDeviceSetting::ImageProgressCallback(std::uint32_t percent, std::uint32_t, std::uint32_t,
                                              void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DEV_UPDATE_STATUS, FlashPercent(percent),
                       IDS_FW_DOWNLOAD_IMAGE);
}
