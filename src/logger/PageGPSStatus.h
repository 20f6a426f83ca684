// The page for the logger's GPS state; the main dialog creates it hidden
// on its tab control. It shows fixed sample values and talks to no device.
#pragma once

#include "framework/Controls.h"
#include "logger/LoggerPage.h"
#include "res/logger_ids.h"

class CPageGPSStatus : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_GPS_STATUS };
  explicit CPageGPSStatus(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}

  CComboBox m_cbTimeZone;  // 1013
  CEdit m_edSpeed;         // 1010
  CEdit m_edLongitude;     // 1009
  CEdit m_edLocalTime;     // 1018
  CEdit m_edLatitude;      // 1008
  CEdit m_edGmt;           // 1016
  CEdit m_edAltitude;      // 1011

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

 private:
  void LoadControlTexts();
};
