// The application object. One object derived from CWinApp exists; the
// program's main() installs a view and calls AfxWinMain, which runs
// InitInstance and, when it returns TRUE, Run (the message loop of the GUI
// thread until AfxPostQuitMessage).
#pragma once

#include "framework/Dialog.h"

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }
  virtual int Run();

  // 3-D controls are the only controls here: both calls do nothing.
  BOOL Enable3dControls() { return TRUE; }
  BOOL Enable3dControlsStatic() { return TRUE; }
  void SetRegistryKey(LPCTSTR) {}
  HICON LoadIcon(UINT nIDResource) const { return AfxLoadIconResource(nIDResource); }
  HICON LoadStandardIcon(LPCTSTR) const { return nullptr; }

  CWnd* m_pMainWnd = nullptr;
  const char* m_pszAppName = "navrel";
};

CWinApp* AfxGetApp();
inline void AfxEnableControlContainer() {}
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();
// Runs the application object: InitInstance, Run when it returned TRUE,
// ExitInstance; returns the exit code.
int AfxWinMain();
// Ends CWinApp::Run.
void AfxPostQuitMessage(int nExitCode);
void PostQuitMessage(int nExitCode);
