// The page for the recording settings of block-protocol loggers; the main dialog creates it hidden
// on its tab control.
#pragma once

#include "logger/LoggerPage.h"
#include "res/logger_ids.h"

class CPageTrackLogSetting : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_TRACKLOG_SETTING };
  explicit CPageTrackLogSetting(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}
};
