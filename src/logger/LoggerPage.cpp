#include "logger/LoggerPage.h"

BEGIN_MESSAGE_MAP(CLoggerPage, CDialog)
ON_MESSAGE(WM_PAGE_COMMAND, &CLoggerPage::OnPageCommand)
END_MESSAGE_MAP()

LRESULT CLoggerPage::OnPageCommand(WPARAM wParam, LPARAM) {
  switch (wParam) {
    case PAGECMD_OK:
      OnOK();
      break;
    case PAGECMD_CANCEL:
      OnCancel();
      break;
    case PAGECMD_APPLY:
      OnPageApply();
      break;
    case PAGECMD_DEFAULTS:
      OnPageDefaults();
      break;
    default:
      break;
  }
  return 0;
}
