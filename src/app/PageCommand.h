// The page command message the main dialog sends to its pages for
// "Apply All" and "Default All": wParam is a PageCommand, lParam 0.
#pragma once

#include "platform/WinTypes.h"

#ifndef WM_PAGE_COMMAND
#define WM_PAGE_COMMAND (WM_USER + 100)
#endif

enum PageCommand : WPARAM {
  PAGECMD_OK = 0,        // run the page's own OK handling
  PAGECMD_CANCEL = 1,    // run the page's own Cancel handling
  PAGECMD_APPLY = 2,     // apply the page's settings
  PAGECMD_DEFAULTS = 3,  // restore the page's defaults
};
