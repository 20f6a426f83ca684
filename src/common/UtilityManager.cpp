#include "common/UtilityManager.h"

CUtilityManager g_utilityManager;
BOOL g_bPortOpen = FALSE;

CUtilityManager::CUtilityManager() : m_strPortName("COM1") {}

CUtilityManager::~CUtilityManager() = default;

void CUtilityManager::SetPhotoTimeZone(int hours) { m_nPhotoTimeZone = hours; }

void CUtilityManager::GetPhotoTimeZone(int& hours) const { hours = m_nPhotoTimeZone; }

void CUtilityManager::SetCameraOffset(int day, int hour, int minute, int second) {
  m_nCameraOffsetDay = day;
  m_nCameraOffsetHour = hour;
  m_nCameraOffsetMinute = minute;
  m_nCameraOffsetSecond = second;
}

void CUtilityManager::GetCameraOffset(int& day, int& hour, int& minute, int& second) const {
  day = m_nCameraOffsetDay;
  hour = m_nCameraOffsetHour;
  minute = m_nCameraOffsetMinute;
  second = m_nCameraOffsetSecond;
}

void CUtilityManager::SetWriteGpsToPhoto(int flag) { m_bWriteGpsToPhoto = flag; }

void CUtilityManager::GetWriteGpsToPhoto(int& flag) const { flag = m_bWriteGpsToPhoto; }

void CUtilityManager::SetPortSettings(const std::string& name, int baud, int handle) {
  m_strPortName = name;
  m_nBaudRate = baud;
  m_hPortStored = handle;
}

void CUtilityManager::GetPortSettings(std::string& name, int& baud, int& handle) const {
  name = m_strPortName;
  baud = m_nBaudRate;
  handle = m_hPortStored;
}

std::string CUtilityManager::GetUserName() const { return m_strUserName; }

void EnableTabDialogTheme(CWnd*) {}
