// The device page: the logger's serial port, identification and firmware
// update.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "firmware/FirmwareFile.h"
#include "firmware/FlashSession.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Thread.h"
#include "platform/SerialPort.h"
#include "platform/WinTypes.h"
#include "res/firmware_ids.h"

class CPageMTKTracklogSetting;
class CPageDownloadFW;
class CVantoUtilityDlg;

class CPageDeviceSetting : public CDialog {
 public:
  // ---------------------------------------------------------------------
  // Serial port of the device link (methods in link/DevicePort*.cpp).
  // ---------------------------------------------------------------------
  BOOL OpenPort();
  BOOL EnsurePortOpen();
  // Reads the port and baud combos; defined with the page's controls.
  BOOL ApplyPortSelection();
  // The selection itself: port combo index and baud combo index (-1: none).
  BOOL ApplyPortSelection(int portIndex, int baudIndex);
  void SelectPortByIndex(int index);
  BOOL FindBridgePort();
  BOOL DetectBridgePort(std::string& portName);
  BOOL ReadPort(void* buffer, DWORD count, DWORD* read);
  BOOL WritePort(const void* buffer, DWORD count, DWORD* written);
  void PurgePort();
  BOOL ClosePortHandle();
  void ClosePort();
  BOOL ClosePortNoReset();
  void SetPortHighSpeed();
  void RestorePortSpeed();
  // Waits up to timeoutMs for data on the open port (the receive loop's
  // wait); false at once when the port is closed.
  BOOL WaitPortReadable(int timeoutMs);
  // errno of the last failed open or transfer, and a text a user can act on.
  int GetPortError() const { return m_comPort.LastError(); }
  std::string GetPortErrorText() const;
  // A box with why the port could not be opened.
  void ShowPortError(const std::string& cause);
  // "$PMTK182" within the first 20 characters, and a field cut from it.
  char* FindLogReplyShort(char* text);
  char* GetLogReplyShortField(char* text, int offset, int count);

  std::string m_strComPort = "COM1";
  // Read by the receive thread while another thread may close the port.
  std::atomic<HANDLE> m_hComPort{nullptr};
  int m_nComBaud = 38400;
  // Set by the command layer's retry wrapper when a command is finished.
  BOOL m_bCommandDone = FALSE;

 private:
  // Purges and closes the open port; FALSE when it is not open or the close
  // fails. The callers set the handle and the name.
  BOOL PurgeAndClosePort();
  SerialPort m_comPort;
  // ---------------------------------------------------------------------
  // End of the serial port block.
  // ---------------------------------------------------------------------
 public:
  // ---------------------------------------------------------------------
  // The page, identification and the firmware update (methods in
  // firmware/PageDeviceSetting*.cpp and firmware/DeviceIdentify.cpp).
  // ---------------------------------------------------------------------
  enum { IDD = IDD_PAGE_DEVICE_SETTING };
  explicit CPageDeviceSetting(CWnd* pParent = nullptr);
  ~CPageDeviceSetting() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override {}
  void OnCancel() override {}
  LRESULT OnPageCommand(WPARAM wParam, LPARAM lParam);
  BOOL RestoreDefaults();
  void ResetAfterTimeout();
  void ArrangeIdentityFields();
  void InitPortCombos();
  void LoadControlTexts();
  void OnSelchangePort();
  void OnSelchangeBaud();
  void OnWriteName();
  void OnAutoDetect();
  void OnConnect();
  void OnForceUpdate();
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

  // Identification and the connection of the log download.
  void IdentifyDevice();
  void Connect();
  void Disconnect();
  void ToggleConnection();

  // Firmware file.
  void OnSelectFile();
  void CheckFirmwareFile(int* result);
  void StripFirmwareFile(int* result, int mode);

  // Firmware update.
  void OnExecute();
  void InitFlashLibrary();
  void LoadDownloadAgent();
  void LoadScatterFile();
  static UINT UpdateThreadProc(LPVOID param);
  void UpdateFirmware();
  BOOL RunFlashDownload(FlashHandle hDownload);
  void ReleaseFlashLibrary();
  void SetProgress(int n);
  void SelfTestWait(int ms);
  static int DaInitCallback(void* context);
  static int DaProgressCallback(std::uint32_t percent, std::uint32_t done, std::uint32_t total,
                                void* context);
  static int ImageInitCallback(void* context);
  static int ImageProgressCallback(std::uint32_t percent, std::uint32_t done, std::uint32_t total,
                                   void* context);

  // The service pages this page works with. The main dialog's pages are used
  // when the page lives in the main dialog; a page created on its own (tests,
  // tools) is given them here.
  void SetServicePages(CPageMTKTracklogSetting* commands, CPageDownloadFW* download);
  CPageMTKTracklogSetting* CommandPage() const;
  CPageDownloadFW* DownloadPage() const;
  // The update worker, while or after it runs (nullptr before the first).
  CWinThread* GetUpdateThread() const { return m_pUpdateThread; }

  CWnd* m_pMainDlg = nullptr;
  BOOL m_bConnectNext = TRUE;
  BOOL m_bForceUpdate = FALSE;
  BOOL m_bPortDetected = FALSE;
  std::string m_strDetectedPort = "COM1";
  int m_nDetectedPortIndex = 0;
  std::string m_strSelectedPort;
  std::string m_strMessage;
  std::string m_strMemoryUsage;
  std::string m_strUserName;
  // Identity texts: model as shown, firmware as three digits, hardware "Vxx".
  char m_szDeviceType[16] = {};
  char m_szFirmwareText[8] = {};
  char m_szHardwareText[8] = {};
  // Firmware file and temporary image.
  std::string m_strFirmwareFile;
  char m_szFirmwarePath[256] = {};
  char m_szFirmwareFolder[256] = {};
  char m_szTempImagePath[256] = {};
  // Why the last test failed when the file could not be read or the image
  // not written (the content test was then never made).
  FirmwareFileError m_fileError;
  // Flashing library state of the update; its handles, flags and argument
  // blocks live in the session.
  CFlashSession m_flash;
  BYTE m_bDownloadOk = 0;
  int m_nProgress = 0;
  int m_nPortNumber = 0;

  CComboBox m_comboPort;
  CComboBox m_comboBaud;
  CProgressCtrl m_progress;
  CStatic m_picture;
  CEdit m_editUserName;
  CBitmap m_bmpNotConnected;
  CBitmap m_bmpConnected;

  DECLARE_MESSAGE_MAP()

 private:
  // Main dialog services; they do nothing when the page has no main dialog.
  CVantoUtilityDlg* MainDialog() const;
  void EnableMainButton(int id, BOOL enable);
  void RunHeartbeat(BOOL run);
  void UpdateMainPictures();
  void EnableDeviceTab(BOOL enable);
  void ShowConnectionPicture(BOOL connected);
  void ShowDetectedPort(const std::string& portName);
  void StoreSelectedPort();
  void ShowError(UINT stringId);
  // Tells the user what the installation lacks and unlocks the page.
  void ReportMissingFlashFiles();

  CPageMTKTracklogSetting* m_pCommandPage = nullptr;
  CPageDownloadFW* m_pDownloadPage = nullptr;
  CWinThread* m_pUpdateThread = nullptr;
  // ---------------------------------------------------------------------
  // End of the page block.
  // ---------------------------------------------------------------------
};

// The device page, for the flashing library's callbacks and the progress
// display.
extern CPageDeviceSetting* g_pDevicePage;
