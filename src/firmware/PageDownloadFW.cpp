// The firmware download page: choose a firmware file with header and write
// it through the flashing library on the page's own port.
#include "firmware/PageDownloadFW.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/UtilityManager.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FlashProgress.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "platform/Sleep.h"

namespace {

constexpr int kMainApplyAll = 1001;
constexpr int kMainDefaultAll = 1002;
constexpr int kMainAbout = 1095;

CPageDownloadFW* CallbackPage(void* context) {
  return g_pDownloadPage ? g_pDownloadPage : static_cast<CPageDownloadFW*>(context);
}

}  // namespace

CPageDownloadFW* g_pDownloadPage = nullptr;

BEGIN_MESSAGE_MAP(CPageDownloadFW, CDialog)
ON_BN_CLICKED(IDC_DL_BROWSE, &CPageDownloadFW::OnBrowse)
ON_BN_CLICKED(IDC_DL_DOWNLOAD, &CPageDownloadFW::OnDownload)
END_MESSAGE_MAP()

CPageDownloadFW::CPageDownloadFW(CWnd* pParent) : CDialog(IDD, pParent) {}

CPageDownloadFW::~CPageDownloadFW() {
  // The worker uses this page to its end.
  if (m_pUpdateThread) m_pUpdateThread->Wait(INFINITE);
  if (g_pDownloadPage == this) g_pDownloadPage = nullptr;
}

void CPageDownloadFW::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DL_PROGRESS, m_progress);
  DDX_Text(pDX, IDC_DL_FILE_PATH, m_strDlFirmwareFile);
}

BOOL CPageDownloadFW::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pMainDlg = GetParent() ? GetParent()->GetParent() : nullptr;
  GetDlgItem(IDC_DL_DOWNLOAD)->EnableWindow(FALSE);
  SetDlgItemText(IDC_DL_GROUP, LoadString(IDS_DL_GROUP));
  SetDlgItemText(IDC_DL_WARNING, LoadString(IDS_FW_WARNING));
  SetDlgItemText(IDC_DL_FILE_LABEL, LoadString(IDS_DL_FILE_LABEL));
  SetDlgItemText(IDC_DL_DOWNLOAD, LoadString(IDS_DL_EXECUTE));
  SetDlgItemText(IDC_DL_STATUS, LoadString(IDS_DL_STATUS));
  g_pDownloadPage = this;
  std::string name;
  int baud = 0, handle = 0;
  g_utilityManager.GetPortSettings(name, baud, handle);
  m_strBtPortName = name;
  m_nBtBaudRate = baud;
  m_hBtPort = nullptr;
  return TRUE;
}

void CPageDownloadFW::SetPortSettings(std::string name, int baud, int handle) {
  m_strBtPortName = name;
  m_nBtBaudRate = baud;
  // A stored handle value is only ever 0: the port is opened by this page.
  (void)handle;
  m_hBtPort = nullptr;
  const std::size_t com = name.find("COM");
  if (com != std::string::npos) m_nDlPortNumber = std::atoi(name.c_str() + com + 3);
  if (m_nDlPortNumber >= 10) m_strBtPortName = "//.//" + name;
}

void CPageDownloadFW::OnBrowse() {
  CFileDialog chooser(TRUE, "Vanto R-710 Firmware", "*.bin", 0,
                      "Vanto R-710 Firmware (*.bin)|*.bin|", nullptr);
  if (chooser.DoModal() != IDOK) return;
  UpdateWindow();
  m_strDlFirmwareFile = chooser.GetPathName();
  SetDlgItemText(IDC_DL_FILE_PATH, m_strDlFirmwareFile);
  if (!CopyPathBuffer(m_szDlFirmwarePath, m_strDlFirmwareFile))
    m_szDlFirmwareFolder[0] = '\0';
  else
    CopyPathBuffer(m_szDlFirmwareFolder, FolderOfPath(m_strDlFirmwareFile));
  CopyPathBuffer(m_szDlProgramFolder, GetProgramFolder());
}

void CPageDownloadFW::OnDownload() {
  if (m_szDlFirmwarePath[0] == '\0') {
    ShowMessageBox(GetSafeHwnd(), LoadString(IDS_FW_NO_FILE), LoadString(300), MB_ICONHAND);
    return;
  }
  int stripped = 0;
  m_fileError = {};
  StripFirmwareFile(&stripped, 0);
  if (!stripped) {
    ShowMessageBox(GetSafeHwnd(), FirmwareFileMessage(m_fileError), LoadString(300), MB_ICONHAND);
    return;
  }
  EnableDeviceTab(FALSE);
  GetDlgItem(IDC_DL_BROWSE)->EnableWindow(FALSE);
  GetDlgItem(IDC_DL_DOWNLOAD)->EnableWindow(FALSE);
  for (int id : std::initializer_list<int>{kMainDefaultAll, IDOK, kMainAbout})
    EnableMainButton(id, FALSE);
  m_bBusy = 1;
  m_flash.m_bAgentOk = 0;
  m_flash.m_bImageOk = 0;
  m_bDownloadOk = 0;
  InitFlashLibrary();
  // As on the device page: only a missing library stops here.
  if (m_flash.m_missing == CFlashSession::Missing::Library) {
    ReportMissingFlashFiles();
    return;
  }
  std::string name;
  int baud = 0, handle = 0;
  g_utilityManager.GetPortSettings(name, baud, handle);
  SetPortSettings(name, baud, handle);
  m_pUpdateThread = AfxBeginThread(UpdateThreadProc, this);
}

void CPageDownloadFW::ReportMissingFlashFiles() {
  const UINT text = IDS_FW_NO_LIBRARY;
  ReleaseFlashLibrary();
  SetDlgItemText(IDC_DL_STATUS, LoadString(text));
  ShowMessageBox(GetSafeHwnd(), LoadString(text), LoadString(300), MB_ICONHAND);
  EnableDeviceTab(TRUE);
  GetDlgItem(IDC_DL_BROWSE)->EnableWindow(TRUE);
  GetDlgItem(IDC_DL_DOWNLOAD)->EnableWindow(TRUE);
  for (int id : std::initializer_list<int>{kMainDefaultAll, IDOK, kMainAbout})
    EnableMainButton(id, TRUE);
  m_bBusy = 0;
}

UINT CPageDownloadFW::UpdateThreadProc(LPVOID param) {
  static_cast<CPageDownloadFW*>(param)->UpdateFirmware();
  return 0;
}

void CPageDownloadFW::UpdateFirmware() {
  ReadBtMac();
  if (m_bBtPortOk == 1) {
    Sleep(2000);
    m_bDownloadOk = static_cast<BYTE>(RunFlashDownload(m_flash.m_hDownload));
    SetDlgItemText(IDC_DL_STATUS, LoadString(IDS_FW_PROCESSING));
    Sleep(2000);
    WriteBtMac();
    ReleaseFlashLibrary();
    const bool ok = m_flash.m_bAgentOk == 1 && m_flash.m_bImageOk == 1 && m_bDownloadOk == 1;
    SetDlgItemText(IDC_DL_STATUS, LoadString(ok ? IDS_FW_SUCCESS : IDS_FW_FAILED));
    const std::string missing = ok ? std::string() : MissingFlashFileText(m_flash);
    EnableDeviceTab(TRUE);
    GetDlgItem(IDC_DL_BROWSE)->EnableWindow(TRUE);
    GetDlgItem(IDC_DL_DOWNLOAD)->EnableWindow(TRUE);
    for (int id :
         std::initializer_list<int>{kMainDefaultAll, IDOK, kMainAbout, IDCANCEL, kMainApplyAll})
      EnableMainButton(id, TRUE);
    m_bBtPortOk = 1;
    std::error_code ec;
    std::filesystem::remove(m_szDlTempImagePath, ec);
    m_bBusy = 0;
    // Shown when the update has ended, so the window need not wait for the user.
    if (!missing.empty()) ShowMessageBox(GetSafeHwnd(), missing, LoadString(300), MB_ICONHAND);
    return;
  }
  SetDlgItemText(IDC_DL_STATUS, LoadString(IDS_FW_PORT_FAILED));
  ReleaseFlashLibrary();
  EnableDeviceTab(TRUE);
  GetDlgItem(IDC_DL_BROWSE)->EnableWindow(TRUE);
  GetDlgItem(IDC_DL_DOWNLOAD)->EnableWindow(TRUE);
  for (int id : std::initializer_list<int>{kMainDefaultAll, IDOK, IDCANCEL, kMainApplyAll})
    EnableMainButton(id, TRUE);
  m_bBtPortOk = 1;
  m_bBusy = 0;
}

void CPageDownloadFW::InitFlashLibrary() {
  SetDlgItemText(IDC_DL_STATUS, LoadString(IDS_FW_INIT_DOWNLOAD));
  m_nProgress = 0;
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  SetDlgItemText(IDC_DL_PERCENT, "0%");
  m_flash.Prepare(m_szDlTempImagePath, g_utilityManager.m_nModelCode,
                  CFlashSession::ALL_IN_ONE_AGENT_PREFIX);
  CopyPathBuffer(m_szDlProgramFolder, m_flash.m_szProgramFolder);
}

void CPageDownloadFW::LoadDownloadAgent() {
  m_flash.LoadDownloadAgent(g_utilityManager.m_nModelCode, CFlashSession::ALL_IN_ONE_AGENT_PREFIX);
  CopyPathBuffer(m_szDlProgramFolder, m_flash.m_szProgramFolder);
}

void CPageDownloadFW::LoadScatterFile() { m_flash.LoadScatterFile(); }

BOOL CPageDownloadFW::RunFlashDownload(FlashHandle hDownload) {
  m_flash.m_hDownload = hDownload;
  CFlashSession::Callbacks callbacks{DaInitCallback, DaProgressCallback, ImageInitCallback,
                                     ImageProgressCallback, this};
  return m_flash.RunDownload(m_nDlPortNumber, g_utilityManager.m_nModelCode, callbacks);
}

void CPageDownloadFW::ReleaseFlashLibrary() { m_flash.Release(); }

void CPageDownloadFW::StripFirmwareFile(int* result, int mode) {
  *result = StripFirmwareIntoFolder(m_szDlFirmwarePath, m_szDlFirmwareFolder, m_szDlTempImagePath,
                                    sizeof m_szDlTempImagePath, mode, &m_fileError);
}

void CPageDownloadFW::SetProgress(int n) {
  CPageDownloadFW* page = g_pDownloadPage ? g_pDownloadPage : this;
  m_nProgress = n;
  m_progress.SetPos(n);
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", n);
  page->SetDlgItemText(IDC_DL_PERCENT, text);
}

int CPageDownloadFW::DaInitCallback(void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DL_STATUS, 0, IDS_FW_INIT_DA);
}

int CPageDownloadFW::DaProgressCallback(std::uint32_t percent, std::uint32_t, std::uint32_t,
                                        void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DL_STATUS, FlashPercent(percent),
                       IDS_FW_DOWNLOAD_DA);
}

int CPageDownloadFW::ImageInitCallback(void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DL_STATUS, 0, IDS_FW_INIT_IMAGE);
}

int CPageDownloadFW::ImageProgressCallback(std::uint32_t percent, std::uint32_t, std::uint32_t,
                                           void* context) {
  return ShowFlashStep(CallbackPage(context), IDC_DL_STATUS, FlashPercent(percent),
                       IDS_FW_DOWNLOAD_IMAGE);
}
