// The application object and the program's run.
#include "framework/App.h"

#include <atomic>

#include "framework/MessageQueue.h"
#include "framework/ViewHooks.h"

namespace {

CWinApp* g_app = nullptr;
std::atomic<bool> g_quit{false};
std::atomic<int> g_exitCode{0};

}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName) {
  if (lpszAppName) m_pszAppName = lpszAppName;
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
  auto queue = fw::CurrentQueue();
  while (!g_quit) {
    AfxPumpMessages();
    if (g_quit) break;
    queue->WaitForWork(50);
  }
  int r = ExitInstance();
  return r ? r : g_exitCode.load();
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
const char* AfxGetAppName() { return g_app ? g_app->m_pszAppName : "navrel"; }

int AfxWinMain() {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  // Here rather than in the constructor: the application object is built
  // during static initialisation, before the sleep service may be ready.
  AfxInstallPumpingSleep();
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

void AfxPostQuitMessage(int nExitCode) {
  g_exitCode = nExitCode;
  g_quit = true;
  fw::CurrentQueue()->Wake();
}

void PostQuitMessage(int nExitCode) { AfxPostQuitMessage(nExitCode); }
