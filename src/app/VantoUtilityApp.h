// The application object: runs the main dialog modally, then ends.
#pragma once

#include "framework/App.h"

class CVantoUtilityApp : public CWinApp {
 public:
  CVantoUtilityApp() = default;
  BOOL InitInstance() override;
};

extern CVantoUtilityApp theApp;
