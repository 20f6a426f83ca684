// The page for the recording settings of block-protocol loggers; the main dialog creates it hidden
// on its tab control. It reads and changes the settings with chipset log sentences of its own
// sender, uploads the stored track log into a file and clears the log through the block protocol.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

#include "framework/Controls.h"
#include "framework/Gdi.h"
#include "framework/Thread.h"
#include "logger/BlockTransfer.h"
#include "logger/LoggerPage.h"
#include "logger/PageTransferClient.h"
#include "platform/WinTypes.h"
#include "res/logger_ids.h"

class CPageDeviceSetting;

// Settings as the logger keeps them: read from it, the defaults, or the values to apply.
struct DeviceLogSettings {
  int enable = 1;     // 1 recording on, 2 off
  int logByKind = 2;  // 2 by time, 3 by distance
  int seconds = 10;   // interval
  int metres = 100;   // distance
  int flashMode = 1;  // 1 with cycle, 2 once
};

class CPageTrackLogSetting : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_TRACKLOG_SETTING };
  // Sources of LoadDeviceValues.
  enum { kFromSettingsBlock = 0, kFromMembers = 1, kFromDefaults = 2 };
  // Outcome of a settings read or of a sentence with its retries.
  enum class LinkResult { Answered, NotConnected, Silent, BadReply };

  explicit CPageTrackLogSetting(CWnd* pParent = nullptr);
  ~CPageTrackLogSetting() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  // The device page whose port the page uses; the main dialog's by default.
  void SetDevicePage(CPageDeviceSetting* page) { m_pDevicePage = page; }
  CPageDeviceSetting* DevicePage() const;

  // Controls and settings.
  void UpdateControl(int item, int mode);
  void LoadDeviceValues(int source);
  void ApplySettings();
  void RestoreDefaults();
  void ReadSettings();
  LinkResult QueryDeviceSettings();

  // The page's own sentence sender: the reply area, "Not Connected", or NULL
  // when the logger gave no matching reply.
  char* SendPmtkCommand(int type, int a, int b);
  // Resends while the logger is silent, a bounded number of times.
  char* SendPmtkRetry(int type, int a, int b);
  char* SendEnableCommand(BOOL on);
  // The wake of a block-protocol job: the sentence alone. The logger answers
  // it with the protocol's ready byte, which the exchange reads; a sender
  // that waited for a sentence would take that byte away. Returns the empty
  // reply area or "Not Connected".
  char* SendPmtkWake(int type, int a, int b);
  BOOL IsNotConnected(const char* reply) const;

  // Handlers.
  void OnEnableRecording();
  void OnLogBy();
  void OnUnits();
  void OnFlashMode();
  void OnRead();
  void OnUpload();
  void OnClear();
  void OnPageApply() override { ApplySettings(); }
  void OnPageDefaults() override { RestoreDefaults(); }

  // Workers of Upload and Clear, and the jobs they run.
  static UINT UploadThreadProc(LPVOID param);
  static UINT ClearThreadProc(LPVOID param);
  // ReadSettings on a worker thread (the page itself reads on its own thread).
  static UINT ReadSettingsThreadProc(LPVOID param);
  BOOL RunUpload();
  BOOL RunClear();
  CWinThread* GetWorkerThread() const { return m_pWorker; }
  // An Upload or Clear owns the port until it ends: the setting controls are
  // disabled and their handlers do nothing meanwhile.
  bool TransferRunning() const { return m_bTransferRunning.load(); }

  // Controls.
  CStatic m_stSettingStatus;      // 1050
  CButton m_btnCycle;             // 1074
  CButton m_btnOnce;              // 1073
  CStatic m_stTransferStatus;     // 1048
  CButton m_btnClear;             // 1007
  CStatic m_stClearPercent;       // 1040
  CStatic m_stUnit;               // 1033
  CButton m_btnByTime;            // 1003
  CButton m_btnByDistance;        // 1004
  CButton m_btnMeter;             // 1014
  CButton m_btnFoot;              // 1015
  CStatic m_stPercent;            // 1038
  CProgressCtrl m_progress;       // 1037
  CProgressCtrl m_progressClear;  // 1009
  CEdit m_edDistance;             // 1006
  CEdit m_edSeconds;              // 1005
  CButton m_btnEnable;            // 1001
  std::string m_strDistance;
  std::string m_strSeconds;
  CBitmap m_bmpPage[3];

  // Settings, each as shown and as last sent to or read from the logger.
  int m_nEnable = 1, m_nEnableSent = 1;
  int m_nLogByKind = 2, m_nLogByKindSent = 2;
  int m_nSeconds = 10, m_nSecondsSent = 10;
  int m_nMetres = 100, m_nMetresSent = 100;
  int m_nFeet = 328, m_nFeetSent = 328;
  int m_nFlashMode = 1, m_nFlashModeSent = 1;
  int m_bFeet = 0;
  int m_nOutputFormat = 0;  // 0 raw .trl, 1 .txt, 2 .kml
  DeviceLogSettings m_deviceValues;
  // Decoded output of the running upload (its text lines or its KML).
  std::FILE* m_pOutText = nullptr;

  CWnd* m_pMainDlg = nullptr;
  // The block protocol's exchange: its fields (kind flags, the request kind
  // that wakes the logger: 5 upload, 6 clear, 2 read) and steps.
  CPageTransferClient m_transferClient;
  CBlockTransfer m_transfer;
  // Reply area of the sentence sender (80 bytes and a terminator).
  char m_szReply[81] = {};

  // Bounds of the sentence sender.
  static constexpr int kReplyPolls = 10;
  static constexpr int kRetryAttempts = 3;
  // The largest distance the page shows in metres and in feet.
  static constexpr int kMaxMetres = static_cast<int>(2147483647 / 3.28);

  // Feet and metre conversions: the double product truncated to an integer
  // (held at the int's limit beyond it).
  static int MetresToFeet(int metres);
  static int FeetToMetres(int feet);

  DECLARE_MESSAGE_MAP()

 private:
  void ShowRecordingControls();
  // Sets the sentence flag, clears the reply area and writes the sentence;
  // FALSE with "Not Connected" in the area when no port is open.
  BOOL WritePmtkSentence(int type, int a, int b);
  void SetSettingStatus(UINT id);
  // Reports a recording switch the logger did not answer or refused.
  void ReportSwitchReply(const char* reply);
  // TRUE when a set's reply says done; otherwise the status says why.
  BOOL SetTaken(const char* reply);
  // A job on the worker thread unless one is still running.
  void StartWorker(AFX_THREADPROC proc);
  // Runs on the worker as its job ends: the setting controls come back.
  void EndTransfer();
  static int EditNumber(const std::string& text);

  CPageDeviceSetting* m_pDevicePage = nullptr;
  CWinThread* m_pWorker = nullptr;
  std::atomic<bool> m_bTransferRunning{false};
};
