// The one settings object shared by every page, worker and dialog of the
// program, and the port-open flag of the device link.
#pragma once

#include <string>

#include "common/SharedFlag.h"
#include "framework/Time.h"
#include "platform/WinTypes.h"

class CUtilityManager {
 public:
  CUtilityManager();
  virtual ~CUtilityManager();

  void SetPhotoTimeZone(int hours);
  void GetPhotoTimeZone(int& hours) const;
  void SetCameraOffset(int day, int hour, int minute, int second);
  void GetCameraOffset(int& day, int& hour, int& minute, int& second) const;
  void SetWriteGpsToPhoto(int flag);
  void GetWriteGpsToPhoto(int& flag) const;
  void SetPortSettings(const std::string& name, int baud, int handle);
  void GetPortSettings(std::string& name, int& baud, int& handle) const;
  // A copy of the logger's user name, the first part of every TRL file name.
  std::string GetUserName() const;

  // Fields are read and written directly by the pages and workers; each is a
  // flag or a last-value cache written by one thread at a time, except the
  // heartbeat's flag, which its threads write as they start and end.
  BOOL m_bSendPmtkFirst = FALSE;
  int m_nModelCode = 0;
  BOOL m_bLinkLost = FALSE;
  CTime m_timeConnected;
  SharedFlag m_bWorkerStopped = FALSE;
  signed char m_cLockedTab = 0;
  signed char m_cDeviceTab = 0;
  BOOL m_bLockedTabAllowed = FALSE;
  BOOL m_bHighSpeed = FALSE;
  int m_nLogInterval = 0;
  int m_nLogDistance = 0;
  int m_nLogRecordMode = 0;
  int m_nLogUsedBytes = 0;
  BOOL m_bReadWholeLog = FALSE;
  int m_nLogByChoice = 0;
  BOOL m_bLogBySupported = FALSE;
  int m_nFreeRecords = 0;
  BOOL m_bPhotoZoneInitialised = FALSE;
  BOOL m_bPhotoSettingsReset = FALSE;
  BOOL m_bImperialUnits = FALSE;
  std::string m_strUserName;
  int m_nPhotoTimeZone = 0;
  int m_nCameraOffsetDay = 0;
  int m_nCameraOffsetHour = 0;
  int m_nCameraOffsetMinute = 0;
  int m_nCameraOffsetSecond = 0;
  BOOL m_bWriteGpsToPhoto = FALSE;
  std::string m_strPortName;
  int m_nBaudRate = 0;
  int m_hPortStored = 0;
};

extern CUtilityManager g_utilityManager;

// Result of the last port selection; every sentence sender tests it first.
extern BOOL g_bPortOpen;

class CWnd;
// Asks the desktop to draw the page texture on a tab dialog. Linux desktops
// have no such theme service, so this does nothing.
void EnableTabDialogTheme(CWnd* wnd);
