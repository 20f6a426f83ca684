// The main dialog: hosts the eight pages on its tab control, offers the pages
// their services (tab selection, pictures, heartbeat thread) and returns a
// connected logger to its normal state when the window closes.
#pragma once

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "app/PageCommand.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Thread.h"
#include "res/app_ids.h"
#include "ui/TabCtrlEx.h"

class CPageDeviceSetting;
class CPageGPSStatus;
class CPageTrackLogSetting;
class CPageTrackLogFormat;
class CPageTrackLogPhoto;
class CPageWayPointSetting;
class CPageMTKTracklogSetting;
class CPageDownloadFW;

// Number of tabs inserted in the main dialog's tab control.
extern int g_nTabCount;

class CVantoUtilityDlg : public CDialog {
 public:
  enum { IDD = IDD_VANTOUTILITY_DIALOG };
  explicit CVantoUtilityDlg(CWnd* pParent = nullptr);
  ~CVantoUtilityDlg() override;
  CVantoUtilityDlg(const CVantoUtilityDlg&) = delete;
  CVantoUtilityDlg& operator=(const CVantoUtilityDlg&) = delete;

  // Services to the pages. Called from a worker thread, the tab services run
  // on the window's thread (the worker waits for them).
  void SelectTab(int n);
  void RefreshCurrentTab();
  void UpdateModelPicture();
  void PumpMessages();
  void RunTimerThread(BOOL bRun);
  void EnableCloseButtons(BOOL bClose, BOOL bCancel, BOOL bApplyAll, BOOL bDefaultAll);

  // Heartbeat threads still running; each ends within a second of
  // RunTimerThread(FALSE), also when a RunTimerThread(TRUE) follows at once.
  int GetTimerThreadCount() const;
  // Waits until every heartbeat thread has ended.
  void WaitForTimerThreads();

  // The pages, owned by this dialog (created in OnInitDialog, deleted by the
  // destructor); the pointers are what the pages and workers use.
  CPageDeviceSetting* m_pPageDevice = nullptr;
  CPageGPSStatus* m_pPageGPSStatus = nullptr;
  CPageTrackLogSetting* m_pPageTrackLogSetting = nullptr;
  CPageTrackLogFormat* m_pPageTrackLogFormat = nullptr;
  CPageTrackLogPhoto* m_pPageTrackLogPhoto = nullptr;
  CPageWayPointSetting* m_pPageWayPointSetting = nullptr;
  CPageMTKTracklogSetting* m_pPageMTKTracklogSetting = nullptr;
  CPageDownloadFW* m_pPageDownloadFW = nullptr;

  int m_nDeviceTabState = 0;
  std::atomic<int> m_bTimerThreadRun{0};

  CButton m_btnAbout;       // 1095
  CStatic m_picModel;       // 1046
  CStatic m_picLogo;        // 1047
  CButton m_btnDefaultAll;  // 1002
  CButton m_btnClose;       // IDOK
  CButton m_btnCancel;      // IDCANCEL
  CButton m_btnApplyAll;    // 1001
  CTabCtrlEx m_tabMain;     // 1006

  HICON m_hIcon = nullptr;
  int m_nCurrentTab = 0;
  int m_bTabEnabled[8];
  CWnd* m_pTabPage[8];

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 public:
  // Message handlers (public so the pages' tests can drive them too).
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnSelchangeTab(NMHDR* pNMHDR, LRESULT* pResult);
  void OnClose();
  void OnApplyAll();
  void OnDefaultAll();
  void OnAbout();
  void OnTimer(UINT_PTR nIDEvent);

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  void LoadDialogTexts();
  void CreatePages();
  void FitTabToDevicePage();
  void InsertTabs();
  void SendToTabs(PageCommand command);
  BOOL IsPortOpen() const;
  // The firmware download page reports an update in progress.
  BOOL IsUpdating() const;
  // The tab services on the window's thread.
  LRESULT OnMainService(WPARAM wParam, LPARAM lParam);
  void DoSelectTab(int n);
  void DoRefreshCurrentTab();
  void ShowCurrentPage();
  static UINT TimerThreadProc(LPVOID param);
  void TimerLoop(unsigned generation);

  struct OwnedPages;
  std::unique_ptr<OwnedPages> m_pages;

  CBitmap m_bmpModel;    // 129
  CBitmap m_bmpModelTx;  // 141
  CBitmap m_bmpLogo;     // 132

  // One heartbeat thread and the run it belongs to. Each stop ends the run
  // (a new generation), so a thread still asleep from a stopped run ends when
  // it wakes, also when a start has set the run flag again meanwhile.
  struct TimerThread {
    CVantoUtilityDlg* dlg;
    unsigned generation;
    CWinThread* thread = nullptr;
  };
  mutable std::mutex m_timerMutex;
  std::list<TimerThread> m_timerThreads;  // the threads' parameters: stable
  std::atomic<unsigned> m_timerGeneration{0};
  int m_nTimerLoops = 0;  // loops running, under m_timerMutex
};
