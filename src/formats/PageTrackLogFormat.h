// Format conversion page (shell until the page itself lands). Its object
// owns the track-log writers (CTrackLogExport) that its Convert button and
// the chipset log download use.
#pragma once

#include "formats/TrackLogExport.h"
#include "logger/LoggerPage.h"
#include "res/formats_ids.h"

class CPageTrackLogFormat : public CLoggerPage, public CTrackLogExport {
 public:
  enum { IDD = IDD_PAGE_TRACKLOG_FORMAT };
  explicit CPageTrackLogFormat(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}
};
