#include "logger/LoggerPage.h"

BEGIN_MESSAGE_MAP(CLoggerPage, CDialog)
ON_MESSAGE(WM_PAGE_COMMAND, &CLoggerPage::OnPageCommand)
END_MESSAGE_MAP()

LRESULT CLoggerPage::OnPageCommand(WPARAM wParam, LPARAM) {
  if (wParam == PAGECMD_OK)
    OnOK();
  else if (wParam == PAGECMD_CANCEL)
    OnCancel();
  return 0;
}
