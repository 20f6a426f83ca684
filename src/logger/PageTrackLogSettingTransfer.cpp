// The track-log setting page's Upload and Clear jobs, each on a worker
// thread over the block protocol.
#include <strings.h>

#include <atomic>
#include <cstring>

#include "common/UtilityManager.h"
#include "formats/BlockTrackDecoder.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "logger/PageTrackLogSetting.h"
#include "platform/OutputFile.h"

namespace {

// Filter strings of the three outputs: raw blocks, text, KML.
constexpr UINT kOutputFilters[] = {108, 110, 111};
constexpr const char* kOutputExtensions[] = {"trl", "txt", "kml"};
constexpr UINT kLogCleared = 65536;
// Every control that changes or reads the settings.
constexpr int kSettingControls[] = {IDC_TLS_READ,     IDC_TLS_ENABLE,       IDC_TLS_BY_TIME,
                                    IDC_TLS_SECONDS,  IDC_TLS_SECOND_LABEL, IDC_TLS_BY_DISTANCE,
                                    IDC_TLS_DISTANCE, IDC_TLS_METER,        IDC_TLS_FOOT,
                                    IDC_TLS_UNIT,     IDC_TLS_CYCLE,        IDC_TLS_ONCE};

void EnableControl(CWnd& page, int id, BOOL enable) {
  if (CWnd* control = page.GetDlgItem(id)) control->EnableWindow(enable);
}

// The output the chosen file's extension asks for; raw blocks for any other.
int OutputFormatOf(const std::string& extension) {
  if (strcasecmp(extension.c_str(), "txt") == 0) return kBlockOutputText;
  if (strcasecmp(extension.c_str(), "kml") == 0) return kBlockOutputKml;
  return kBlockOutputTrl;
}

}  // namespace

void CPageTrackLogSetting::StartWorker(AFX_THREADPROC proc) {
  // One job at a time: the exchange owns the port until it ends, so the
  // setting controls, whose sentences would break it, wait for its end.
  if (m_pWorker && m_pWorker->IsRunning()) return;
  m_bTransferRunning = true;
  for (int id : kSettingControls) EnableControl(*this, id, FALSE);
  m_pWorker = AfxBeginThread(proc, this);
  if (!m_pWorker) EndTransfer();
}

void CPageTrackLogSetting::EndTransfer() {
  // The handlers stay closed until the controls are back as the settings
  // say; then the flag lets them in again.
  if (GetSafeHwnd()) {
    ShowRecordingControls();
    for (int id : {IDC_TLS_READ, IDC_TLS_ENABLE}) EnableControl(*this, id, TRUE);
  }
  m_bTransferRunning = false;
}

void CPageTrackLogSetting::OnUpload() {
  if (m_pWorker && m_pWorker->IsRunning()) return;
  m_transfer.m_nRequestKind = 5;
  std::atomic_ref<BOOL>(g_utilityManager.m_bSendPmtkFirst).store(TRUE);
  StartWorker(UploadThreadProc);
}

void CPageTrackLogSetting::OnClear() {
  if (m_pWorker && m_pWorker->IsRunning()) return;
  m_transfer.m_nRequestKind = 6;
  std::atomic_ref<BOOL>(g_utilityManager.m_bSendPmtkFirst).store(TRUE);
  StartWorker(ClearThreadProc);
}

UINT CPageTrackLogSetting::UploadThreadProc(LPVOID param) {
  auto* page = static_cast<CPageTrackLogSetting*>(param);
  if (!page->RunUpload()) AfxMessageBox(IDS_BLOCK_CHECK_PORT);
  page->EndTransfer();
  return 0;
}

UINT CPageTrackLogSetting::ReadSettingsThreadProc(LPVOID param) {
  static_cast<CPageTrackLogSetting*>(param)->ReadSettings();
  return 0;
}

UINT CPageTrackLogSetting::ClearThreadProc(LPVOID param) {
  auto* page = static_cast<CPageTrackLogSetting*>(param);
  if (!page->RunClear()) AfxMessageBox(IDS_BLOCK_CHECK_PORT);
  page->EndTransfer();
  return 0;
}

// Upload: the user picks the file and its type (the extension chooses raw
// blocks, text or KML); the track log arrives into a temporary file that
// replaces the chosen one only after the logger's finish.
BOOL CPageTrackLogSetting::RunUpload() {
  m_transfer.ClearKindFlags();
  std::string filter;
  for (UINT id : kOutputFilters) filter += LoadResString(id);
  filter += "|";
  const int shown = m_nOutputFormat >= 0 && m_nOutputFormat <= 2 ? m_nOutputFormat : 0;
  const std::string extension = kOutputExtensions[shown];
  const std::string initialName = "*." + extension;
  CFileDialog dialog(FALSE, extension.c_str(), initialName.c_str(),
                     OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(), this);
  dialog.m_ofn.nFilterIndex = static_cast<DWORD>(shown + 1);
  if (dialog.DoModal() != IDOK) return TRUE;
  m_nOutputFormat = OutputFormatOf(dialog.GetFileExt());

  m_transfer.m_bTrackLog = 1;
  OutputFile output;
  const std::string path = dialog.GetPathName();
  const int err = output.Create(path);
  if (err != 0 || output.Stream() == nullptr) {
    m_stTransferStatus.SetWindowText(
        FormatString(LoadResString(IDS_TLS_UPLOAD_CANNOT_CREATE).c_str(), path.c_str(),
                     std::strerror(err ? err : errno)));
    return TRUE;
  }
  m_transfer.SetDevicePage(DevicePage());
  m_transfer.m_fdOut = output.Descriptor();
  m_pOutText = output.Stream();
  g_blockPointTables.Clear();
  m_stTransferStatus.SetWindowText(LoadResString(IDS_TLS_WAITING_START));
  const BlockOutcome outcome = m_transfer.ReceiveTrackLog(m_nOutputFormat, m_pOutText);

  UINT status = IDS_TLS_UPLOAD_DONE;
  if (outcome == BlockOutcome::kFinished) {
    const bool written =
        (m_nOutputFormat != kBlockOutputKml || WriteBlockKml(g_blockPointTables, m_pOutText)) &&
        output.Commit() == 0;
    if (!written) status = IDS_TLS_UPLOAD_WRITE_FAILED;
  } else if (outcome == BlockOutcome::kPortLost) {
    status = IDS_TLS_UPLOAD_PORT_LOST;
  } else if (outcome == BlockOutcome::kFileError) {
    status = IDS_TLS_UPLOAD_WRITE_FAILED;
  } else if (outcome == BlockOutcome::kNoPort) {
    status = IDS_BLOCK_CHECK_PORT;
  } else {
    status = IDS_TLS_UPLOAD_NOT_FINISHED;
  }
  m_transfer.m_fdOut = -1;
  m_pOutText = nullptr;
  // The exchange's own message box has told why it failed; the status line
  // keeps the outcome.
  m_stTransferStatus.SetWindowText(LoadResString(status));
  return TRUE;
}

// Clear: the logger empties its track log and reports the percentage
// cleared (the exchange is documented with CBlockTransfer::ClearLog).
BOOL CPageTrackLogSetting::RunClear() {
  m_transfer.ClearKindFlags();
  m_transfer.m_bWrite = 1;
  m_transfer.m_bClear = 1;
  m_transfer.m_nTotalBytes = kLogCleared;
  m_stTransferStatus.SetWindowText(LoadResString(IDS_TLS_WAITING_START));
  m_progressClear.SetPos(0);
  m_stClearPercent.SetWindowText("0%");
  m_transfer.SetDevicePage(DevicePage());
  const BlockOutcome outcome = m_transfer.ClearLog();
  UINT status = IDS_TLS_CLEAR_DONE;
  if (outcome == BlockOutcome::kPortLost)
    status = IDS_TLS_CLEAR_PORT_LOST;
  else if (outcome == BlockOutcome::kNoPort)
    status = IDS_BLOCK_CHECK_PORT;
  else if (outcome != BlockOutcome::kFinished)
    status = IDS_TLS_CLEAR_NOT_FINISHED;
  m_stTransferStatus.SetWindowText(LoadResString(status));
  return TRUE;
}
