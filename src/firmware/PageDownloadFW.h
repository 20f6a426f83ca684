// The firmware download page: a second way to write firmware, and the serial
// port and Bluetooth address routines that the device page's update uses.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "common/Tool.h"
#include "firmware/BtMac.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FlashSession.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Thread.h"
#include "platform/SerialPort.h"
#include "platform/WinTypes.h"
#include "res/firmware_ids.h"

class CPageDownloadFW : public CDialog {
 public:
  enum { IDD = IDD_PAGE_DOWNLOAD_FW };
  explicit CPageDownloadFW(CWnd* pParent = nullptr);
  ~CPageDownloadFW() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnBrowse();
  void OnDownload();
  static UINT UpdateThreadProc(LPVOID param);
  void UpdateFirmware();
  // The update worker, while or after it runs (nullptr before the first).
  CWinThread* GetUpdateThread() const { return m_pUpdateThread; }

  // Port name, baud rate and handle value from the settings object; the
  // port number is taken from the text after "COM".
  void SetPortSettings(std::string name, int baud, int handle);

  // Copies of the device page's update steps for this page.
  void InitFlashLibrary();
  void LoadDownloadAgent();
  void LoadScatterFile();
  BOOL RunFlashDownload(FlashHandle hDownload);
  void ReleaseFlashLibrary();
  void StripFirmwareFile(int* result, int mode);
  void SetProgress(int n);
  static int DaInitCallback(void* context);
  static int DaProgressCallback(std::uint32_t percent, std::uint32_t done, std::uint32_t total,
                                void* context);
  static int ImageInitCallback(void* context);
  static int ImageProgressCallback(std::uint32_t percent, std::uint32_t done, std::uint32_t total,
                                   void* context);

  // Bluetooth address kept across an update (its own port).
  BOOL ReadBtMac();
  void WriteBtMac();
  void ParseBtMacReply(const char* reply);
  BOOL OpenPort();
  BOOL ClosePort();
  BOOL ReadPort(void* buffer, DWORD count, DWORD* read);
  BOOL WritePort(const void* buffer, DWORD count, DWORD* written);
  void PurgePort();
  void ClosePortAndClear();
  // errno of the last failed open.
  int GetPortError() const { return m_btPort.LastError(); }
  std::string GetPortErrorText() const {
    return DescribeSerialError(GetPortError(), m_strBtPortName);
  }

  CWnd* m_pMainDlg = nullptr;
  // 1 while an update runs; the main dialog refuses to close meanwhile.
  std::atomic<int> m_bBusy{0};
  std::string m_strDlFirmwareFile;
  char m_szDlFirmwarePath[256] = {};
  char m_szDlFirmwareFolder[256] = {};
  char m_szDlTempImagePath[256] = {};
  FirmwareFileError m_fileError;
  char m_szDlProgramFolder[256] = {};
  int m_nDlPortNumber = 8;
  CFlashSession m_flash;
  BYTE m_bDownloadOk = 0;
  int m_nProgress = 0;

  BtMacAddress m_btMac;
  std::string m_strBtPortName = "COM1";
  int m_nBtBaudRate = 38400;
  HANDLE m_hBtPort = nullptr;
  int m_bBtPortOk = 1;
  CTool m_tool;

  CProgressCtrl m_progress;

  DECLARE_MESSAGE_MAP()

 private:
  void EnableMainButton(int id, BOOL enable);
  void EnableDeviceTab(BOOL enable);
  void ReportMissingFlashFiles();
  BOOL ReadRegistryMac();
  void SaveRegistryMac();

  SerialPort m_btPort;
  CWinThread* m_pUpdateThread = nullptr;
};

// The firmware download page, for its progress callbacks.
extern CPageDownloadFW* g_pDownloadPage;
