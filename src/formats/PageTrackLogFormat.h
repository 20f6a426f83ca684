// Format conversion page (shell until the page itself lands).
#pragma once

#include "logger/LoggerPage.h"
#include "res/formats_ids.h"

class CPageTrackLogFormat : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_TRACKLOG_FORMAT };
  explicit CPageTrackLogFormat(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}
};
