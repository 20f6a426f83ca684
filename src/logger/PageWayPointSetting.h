// The page for sending a waypoint file to the logger; the main dialog creates it hidden
// on its tab control.
#pragma once

#include "logger/LoggerPage.h"
#include "res/logger_ids.h"

class CPageWayPointSetting : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_WAYPOINT_SETTING };
  explicit CPageWayPointSetting(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}
};
