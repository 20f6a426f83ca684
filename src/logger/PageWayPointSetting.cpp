// The waypoint page: its controls and the job that sends a waypoint file.
#include "logger/PageWayPointSetting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>

#include "app/VantoUtilityDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"

BEGIN_MESSAGE_MAP(CPageWayPointSetting, CLoggerPage)
ON_BN_CLICKED(IDC_WPT_DOWNLOAD, &CPageWayPointSetting::OnDownload)
END_MESSAGE_MAP()

namespace {

constexpr struct {
  int control;
  UINT text;
} kCaptions[] = {
    {IDC_WPT_GROUP, IDS_WPT_GROUP},           {IDC_WPT_VERSION_LABEL, IDS_WPT_VERSION_LABEL},
    {IDC_WPT_NAME_LABEL, IDS_WPT_NAME_LABEL}, {IDC_WPT_DATE_LABEL, IDS_WPT_DATE_LABEL},
    {IDC_WPT_DOWNLOAD, IDS_WPT_DOWNLOAD},
};

}  // namespace

CPageWayPointSetting::CPageWayPointSetting(CWnd* pParent)
    : CLoggerPage(IDD, pParent),
      m_transferClient(m_stTransferStatus, m_progress, m_stPercent, m_pMainDlg),
      m_transfer(m_transferClient) {}

CPageWayPointSetting::~CPageWayPointSetting() {
  if (m_pWorker) m_pWorker->Wait();
}

CPageDeviceSetting* CPageWayPointSetting::DevicePage() const {
  if (m_pDevicePage) return m_pDevicePage;
  if (auto* main = dynamic_cast<CVantoUtilityDlg*>(m_pMainDlg); main && main->m_pPageDevice)
    return main->m_pPageDevice;
  return g_pDevicePage;
}

void CPageWayPointSetting::DoDataExchange(CDataExchange* pDX) {
  CLoggerPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_WPT_STATUS, m_stTransferStatus);
  DDX_Control(pDX, IDC_WPT_PERCENT, m_stPercent);
  DDX_Control(pDX, IDC_WPT_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_WPT_VERSION, m_edVersion);
  DDX_Control(pDX, IDC_WPT_NAME, m_edName);
  DDX_Control(pDX, IDC_WPT_DATE, m_edDate);
}

BOOL CPageWayPointSetting::OnInitDialog() {
  CLoggerPage::OnInitDialog();
  CWnd* parent = GetParent();
  m_pMainDlg = parent ? parent->GetParent() : nullptr;
  for (const auto& caption : kCaptions) SetDlgItemTextRes(caption.control, caption.text);
  m_edName.SetReadOnly(TRUE);
  m_edVersion.SetReadOnly(TRUE);
  m_edDate.SetReadOnly(TRUE);
  m_edName.SetWindowText(LoadResString(IDS_WPT_DEFAULT_NAME));
  m_edVersion.SetWindowText(LoadResString(IDS_WPT_DEFAULT_VERSION));
  m_edDate.SetWindowText(LoadResString(IDS_WPT_DEFAULT_DATE));
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  m_stPercent.SetWindowText("0%");
  m_stTransferStatus.SetWindowText("");
  return TRUE;
}

void CPageWayPointSetting::RoundTransferSize() {
  m_transfer.m_nTotalBytes = blockwire::RoundToBlock(m_nFileLength);
}

void CPageWayPointSetting::OnDownload() {
  // One job at a time: the exchange owns the port until it ends.
  if (m_pWorker && m_pWorker->IsRunning()) return;
  std::atomic_ref<BOOL>(g_utilityManager.m_bSendPmtkFirst).store(TRUE);
  m_pWorker = AfxBeginThread(WaypointThreadProc, this);
}

UINT CPageWayPointSetting::WaypointThreadProc(LPVOID param) {
  auto* page = static_cast<CPageWayPointSetting*>(param);
  if (page->DownloadWaypoints() == 0) AfxMessageBox(IDS_BLOCK_CHECK_PORT);
  return 0;
}

int CPageWayPointSetting::DownloadWaypoints() {
  const std::string filter = LoadResString(IDS_WPT_FILTER);
  CFileDialog dialog(TRUE, "mpt", "*.mpt", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(),
                     this);
  if (dialog.DoModal() != IDOK) return 1;
  const std::string path = dialog.GetPathName();
  std::snprintf(m_szFileName, sizeof m_szFileName, "%s", dialog.GetFileName().c_str());
  m_edName.SetWindowText(m_szFileName);

  m_transfer.ClearKindFlags();
  m_transfer.m_bStartFlag = 1;
  m_transfer.m_bWrite = 1;
  // The file is sent as it is; it must be a regular file the 32-bit
  // transfer length can describe.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  const bool known = fd >= 0 ? ::fstat(fd, &info) == 0 : ::stat(path.c_str(), &info) == 0;
  // The date shown is always the shown file's: none when it has none.
  char date[32] = {};
  std::tm local{};
  const std::time_t written = info.st_mtime;
  if (known && localtime_r(&written, &local))
    std::strftime(date, sizeof date, "%Y/%m/%d %I:%M %p", &local);
  m_edDate.SetWindowText(date);
  if (fd < 0 || !known || !S_ISREG(info.st_mode) || info.st_size > 0x7FFFFE00) {
    if (fd >= 0) ::close(fd);
    m_stTransferStatus.SetWindowText(LoadResString(IDS_WPT_OPEN_FAILED));
    return 1;
  }

  m_transfer.m_fdOut = fd;
  m_nFileLength = static_cast<std::uint32_t>(info.st_size);
  RoundTransferSize();
  SendWaypoints();
  m_transfer.m_fdOut = -1;
  ::close(fd);
  return 1;
}

BOOL CPageWayPointSetting::SendWaypoints() {
  m_stTransferStatus.SetWindowText(LoadResString(IDS_TLS_WAITING_START));
  m_transfer.SetDevicePage(DevicePage());
  const BlockOutcome outcome = m_transfer.SendFile();
  UINT status = IDS_WPT_DONE;
  if (outcome == BlockOutcome::kPortLost)
    status = IDS_WPT_PORT_LOST;
  else if (outcome == BlockOutcome::kFileError)
    status = IDS_WPT_OPEN_FAILED;
  else if (outcome == BlockOutcome::kNoPort)
    status = IDS_BLOCK_CHECK_PORT;
  else if (outcome != BlockOutcome::kFinished)
    status = IDS_WPT_NOT_FINISHED;
  // The exchange's own message box has told why it failed; the status line
  // keeps the outcome.
  m_stTransferStatus.SetWindowText(LoadResString(status));
  return IsBlockSuccess(outcome);
}
