#include "logger/PageGPSStatus.h"

#include <iterator>

void CPageGPSStatus::DoDataExchange(CDataExchange* pDX) {
  CLoggerPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_GPS_TIME_ZONE, m_cbTimeZone);
  DDX_Control(pDX, IDC_GPS_SPEED, m_edSpeed);
  DDX_Control(pDX, IDC_GPS_LONGITUDE, m_edLongitude);
  DDX_Control(pDX, IDC_GPS_LOCAL_TIME, m_edLocalTime);
  DDX_Control(pDX, IDC_GPS_LATITUDE, m_edLatitude);
  DDX_Control(pDX, IDC_GPS_GMT, m_edGmt);
  DDX_Control(pDX, IDC_GPS_ALTITUDE, m_edAltitude);
}

BOOL CPageGPSStatus::OnInitDialog() {
  CLoggerPage::OnInitDialog();
  LoadControlTexts();
  CheckDlgButton(IDC_GPS_HOT_START, BST_CHECKED);
  m_edGmt.SetWindowText("2006/12/04 04:00:00");
  m_edLocalTime.SetWindowText("2006/12/04 12:00:00");
  m_edLatitude.SetWindowText("24.997132 N");
  m_edLongitude.SetWindowText("121.485058 E");
  m_edAltitude.SetWindowText("127.9 m");
  m_edSpeed.SetWindowText("0.00 km/h");
  static const char* const kZones[] = {"+12", "+11", "+10", "+9", "+8",  "+7",  "+6", "+5", "+4",
                                       "+3",  "+2",  "+1",  "0",  "-1",  "-2",  "-3", "-4", "-5",
                                       "-6",  "-7",  "-8",  "-9", "-10", "-11", "-12"};
  for (int i = 0; i < static_cast<int>(std::size(kZones)); ++i)
    m_cbTimeZone.InsertString(i, kZones[i]);
  m_cbTimeZone.SetCurSel(4);
  return TRUE;
}

// The template's texts in the user's language.
void CPageGPSStatus::LoadControlTexts() {
  static const struct {
    int control;
    UINT text;
  } captions[] = {
      {IDC_GPS_GMT_LABEL, IDS_GPS_GMT},
      {IDC_GPS_LOCAL_TIME_LABEL, IDS_GPS_LOCAL_TIME},
      {IDC_GPS_LATITUDE_LABEL, IDS_GPS_LATITUDE},
      {IDC_GPS_LONGITUDE_LABEL, IDS_GPS_LONGITUDE},
      {IDC_GPS_SPEED_LABEL, IDS_GPS_SPEED},
      {IDC_GPS_ALTITUDE_LABEL, IDS_GPS_ALTITUDE},
      {IDC_GPS_ZONE_LABEL, IDS_GPS_ZONE},
      {IDC_GPS_RESET_GROUP, IDS_GPS_RESET_GROUP},
      {IDC_GPS_RESET_MODE_LABEL, IDS_GPS_RESET_MODE},
      {IDC_GPS_HOT_START, IDS_GPS_HOT_START},
      {IDC_GPS_WARM_START, IDS_GPS_WARM_START},
      {IDC_GPS_COLD_START, IDS_GPS_COLD_START},
      {IDC_GPS_FACTORY_RESET, IDS_GPS_FACTORY_RESET},
      {IDC_GPS_RESET, IDS_GPS_RESET},
  };
  for (const auto& c : captions) SetDlgItemTextRes(c.control, c.text);
}
