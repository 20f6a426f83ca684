// The chipset log download worker: options, link switch, the sector loop
// with its resume, the files, and the restore of the link and controls.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/VantoUtilityDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "formats/StepByStepDlg.h"
#include "framework/MessageBox.h"
#include "framework/Time.h"
#include "logger/LogDumpFile.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

namespace {

constexpr std::uint32_t kWholeLog = 0x200000;
constexpr std::uint32_t kSectorSize = 0x10000;
constexpr std::uint32_t kPieceSize = 2048;
// A sector whose read request cannot be written, or whose pieces keep
// failing before a good one arrives, is asked for this often at most; then
// the download is given up as on a silent logger.
constexpr int kMaxRequestAttempts = 5;
constexpr int kMaxResumesWithoutPiece = 10;

// Closes the outputs the options dialog created; those the download did not
// complete are removed, leaving the chosen files as they were.
void CloseOptionOutputs(CStepByStepDlg& options) {
  options.DiscardOutputs();
  if (options.m_photoKmlFile.m_pStream) options.m_photoKmlFile.Close();
}

}  // namespace

UINT CPageMTKTracklogSetting::DownloadLogThreadProc(LPVOID page) {
  static_cast<CPageMTKTracklogSetting*>(page)->DownloadLog();
  return 1;
}

int CPageMTKTracklogSetting::DownloadLog() {
  CPageDeviceSetting* device = m_pLinkDevicePage;
  auto* main = dynamic_cast<CVantoUtilityDlg*>(DownloadMainDialog());
  EnableDownloadControls(FALSE);
  m_nReceivedBytes = 0;
  m_strDownloadError.clear();
  const BOOL bridge = device && device->FindBridgePort();
  if (!device || device->m_hComPort == nullptr) {
    SetTransferStatus("Upload Failed! No Device Connected! ");
    RestoreAfterDownload();
    return 0;
  }

  auto options = std::make_unique<CStepByStepDlg>(main);
  m_pOptionsDlg = options.get();
  const INT_PTR chosen = m_bAbandonDownload ? static_cast<INT_PTR>(IDCANCEL) : options->DoModal();
  m_pOptionsDlg = nullptr;
  if (chosen != IDOK) {
    SetTransferStatus(LoadString(IDS_MTK_TRANSFER_STATUS));
    RestoreAfterDownload();
    return 0;
  }
  if (main) main->RunTimerThread(FALSE);
  Sleep(1000);

  // Never more than the log memory, whatever the logger reports.
  std::uint32_t amount = static_cast<std::uint32_t>(g_utilityManager.m_nLogUsedBytes);
  if (amount == 0 || amount > kWholeLog || g_utilityManager.m_bReadWholeLog) amount = kWholeLog;

  m_strLogFolder = options->m_strLogFolder;
  m_bDumpFile = options->m_bLogFolderChosen;
  m_bWriteTotal = options->m_bWriteTotal;
  m_strPhotoFolder = options->m_strPhotoFolder;
  m_bPhotoFolderChosen = options->m_bPhotoFolderChosen;
  ResetParseState();

  CLogDumpFile dump;
  if (m_bDumpFile && !dump.Open(m_strLogFolder)) {
    ReportFileError(dump.Error());
    RestoreAfterDownload();
    return 0;
  }

  const CTime start = CTime::GetCurrentTime();
  ClearReplyBuffer();
  // No pass until the first sector's request: the speed command below has
  // the port to itself.
  g_bReceiving = 0;
  m_bReceiveStop = 0;
  m_pReceiveThread = AfxBeginThread(ReceiveThreadProc, this);
  if (bridge) {
    g_utilityManager.m_bHighSpeed = TRUE;
    SendLogCommand(14, 921600, 0);
    Sleep(500);
    device->SetPortHighSpeed();
  }
  m_nWatchdogTimer = 0;

  std::vector<BYTE> sector(kSectorSize), filtered(kSectorSize);
  int failedRequests = 0;
  int resumesWithoutPiece = 0;
  for (std::uint32_t base = 0; base < amount;) {
    if (!m_bResume) std::fill(sector.begin(), sector.end(), 0);
    m_bReceiveStop = 0;
    char* search = GetReplyBuffer();
    SendMakerCommand(6);
    if (bridge && m_nWatchdogTimer == 0)
      m_nWatchdogTimer = StartWatchdog(m_nWatchdogPeriodMs, kWatchdogTimerId);

    const std::uint32_t k = m_bResume ? static_cast<std::uint32_t>(m_nNextPieceIndex) : 0;
    // The receive loop starts its pass before the request goes out: a pass
    // starting after the first reply bytes were read would drop them.
    g_bReceiving = 1;
    if (PostLogCommand(7, static_cast<int>(base + k * kPieceSize),
                       static_cast<int>(kSectorSize - k * kPieceSize))) {
      failedRequests = 0;
      g_bReceiving = 1;
      m_bResume = 0;
      bool gotPiece = false;
      for (std::uint32_t p = k * kPieceSize; p < kSectorSize; p += kPieceSize) {
        g_bReceiving = 1;
        char* piece = WaitForReadReply(search, static_cast<int>(base + p));
        search = piece;
        if (m_bTransferCancel) break;
        if (!piece && !m_bChecksumGood) m_bResume = 1;
        if (m_bResume) continue;
        if (!piece) {
          if (device->m_hComPort != nullptr) continue;
          // The window is closing: end at once, leaving the link to it.
          g_bReceiving = 0;
          m_bReceiveStop = 1;
          Sleep(500);
          JoinReceiveThread();
          StopArmedWatchdog();
          CloseOptionOutputs(*options);
          return 0;
        }
        StopArmedWatchdog();
        {
          auto lock = LockReplyBuffer();
          HexToBytes(piece, sector.data() + p, static_cast<int>(kPieceSize));
        }
        gotPiece = true;
        if (!m_bTransferCancel)
          SetTransferProgress(
              static_cast<int>(static_cast<std::uint64_t>(base + p) * 100 / (amount | 0xFFFF)));
        m_nNextPieceIndex = static_cast<int>(p / kPieceSize + 1);
      }
      // A logger whose pieces keep failing before a good one is given up.
      resumesWithoutPiece = gotPiece ? 0 : resumesWithoutPiece + (m_bResume ? 1 : 0);
      if (m_bResume && resumesWithoutPiece >= kMaxResumesWithoutPiece) m_bTransferCancel = 1;
    } else if (++failedRequests >= kMaxRequestAttempts) {
      // The request cannot be written (the port has gone): give up.
      m_bTransferCancel = 1;
    } else {
      // Ask for the same pieces again, keeping what came.
      m_bResume = 1;
      m_nNextPieceIndex = static_cast<int>(k);
    }
    if (m_bTransferCancel) {
      g_bReceiving = 0;
      break;
    }
    if (!m_bResume) {
      if (dump.IsOpen() && !dump.Write(sector.data(), sector.size())) ReportFileError(dump.Error());
      std::fill(filtered.begin(), filtered.end(), 0);
      FilterSectorRecords(sector.data(), filtered.data());
      ParseSector(sector.data());
      SetTransferStatus(FormatElapsed((CTime::GetCurrentTime() - start).GetTotalSeconds()));
      m_nNextPieceIndex = 0;
      base += kSectorSize;
    }
    g_bReceiving = 0;
  }

  // End sequence.
  const bool cancelled = m_bTransferCancel != 0;
  m_bReceiveStop = 1;
  JoinReceiveThread();
  BOOL filesOk = m_strDownloadError.empty();
  if (!cancelled) {
    namespace fs = std::filesystem;
    const std::string prefix = (fs::path(m_strLogFolder) / "").string();
    if (!WriteTrackFiles(prefix)) {
      ReportFileError(m_strTrackFileError);
      filesOk = FALSE;
    }
  } else {
    StopArmedWatchdog();
    if (!m_bAbandonDownload)
      ShowMessageBox(GetSafeHwnd(), LoadString(IDS_DL_INTERRUPT), LoadString(300), MB_OK);
  }
  if (!cancelled) {
    if (HeartbeatStopped() && main) main->RunTimerThread(TRUE);
    if (filesOk) {
      if (m_bPhotoFolderChosen) {
        m_bPhotoFolderChosen = 0;
        filesOk = ConvertTrackFilesWithPhotos();
      } else {
        filesOk = ConvertTrackFiles();
      }
    } else {
      // After a file failed the KML files are not made; the status dialog
      // says which.
      ConvertFilesFrom(m_bPhotoFolderChosen, TRUE);
    }
    if (filesOk && !WriteCombinedOutputs(*options)) filesOk = FALSE;
  }
  CloseOptionOutputs(*options);
  if (dump.IsOpen() && !dump.Close()) {
    ReportFileError(dump.Error());
    filesOk = FALSE;
  }
  const std::string elapsed = FormatElapsed((CTime::GetCurrentTime() - start).GetTotalSeconds());
  if (!cancelled && filesOk) {
    SetTransferProgress(100);
    SetTransferStatus(LoadString(IDS_DL_SUCCEED) + elapsed);
  } else if (!cancelled) {
    // A failure earlier in the download may have been shown over since.
    ShowDownloadFailure();
  } else if (!m_bAbandonDownload) {
    // A bridge goes back to its normal speed before the link is closed.
    if (bridge) RestoreLinkSpeed();
    device->m_bConnectNext = FALSE;
    device->ToggleConnection();
    if (main) {
      main->m_nDeviceTabState = 1;
      main->m_tabMain.EnableItem(g_utilityManager.m_cDeviceTab, TRUE);
      main->SelectTab(0);
      main->RefreshCurrentTab();
    }
    m_bTransferCancel = 0;
  }
  g_bReceiving = 0;
  options.reset();
  RestoreAfterDownload();
  return 0;
}
