// The page for sending a waypoint file to the logger; the main dialog creates it hidden
// on its tab control. A worker lets the user choose the file, shows its name and date and
// sends its bytes unchanged with the block protocol's write.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Controls.h"
#include "framework/Thread.h"
#include "logger/BlockTransfer.h"
#include "logger/LoggerPage.h"
#include "logger/PageTransferClient.h"
#include "platform/WinTypes.h"
#include "res/logger_ids.h"

class CPageDeviceSetting;

class CPageWayPointSetting : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_WAYPOINT_SETTING };
  explicit CPageWayPointSetting(CWnd* pParent = nullptr);
  ~CPageWayPointSetting() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  // The device page whose port the page uses; the main dialog's by default.
  void SetDevicePage(CPageDeviceSetting* page) { m_pDevicePage = page; }
  CPageDeviceSetting* DevicePage() const;

  void OnDownload();
  static UINT WaypointThreadProc(LPVOID param);
  // Nonzero when the job ran (whatever its outcome, shown on the status
  // line) or the user cancelled the chooser.
  int DownloadWaypoints();
  // The transfer length: the file length raised to a multiple of 512.
  void RoundTransferSize();
  // Sends the open file; TRUE only when the logger finished the transfer.
  BOOL SendWaypoints();
  CWinThread* GetWorkerThread() const { return m_pWorker; }

  CStatic m_stTransferStatus;  // 1045
  CStatic m_stPercent;         // 1044
  CProgressCtrl m_progress;    // 1008
  CEdit m_edVersion;           // 1035
  CEdit m_edName;              // 1031
  CEdit m_edDate;              // 1034
  CWnd* m_pMainDlg = nullptr;
  // Length of the file being sent.
  std::uint32_t m_nFileLength = 0;
  char m_szFileName[256] = {};
  // The block protocol's exchange: its fields (the write flag, the start
  // flag, the file and its transfer length) and steps.
  CPageTransferClient m_transferClient;
  CBlockTransfer m_transfer;

  DECLARE_MESSAGE_MAP()

 private:
  CPageDeviceSetting* m_pDevicePage = nullptr;
  CWinThread* m_pWorker = nullptr;
};
