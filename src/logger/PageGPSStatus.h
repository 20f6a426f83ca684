// The page for the logger's GPS state; the main dialog creates it hidden
// on its tab control.
#pragma once

#include "logger/LoggerPage.h"
#include "res/logger_ids.h"

class CPageGPSStatus : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_GPS_STATUS };
  explicit CPageGPSStatus(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}
};
