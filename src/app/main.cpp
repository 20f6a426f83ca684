// Program entry: the Qt view, then the application object's run.
#include "app/VantoUtilityApp.h"
#include "framework/qt/QtView.h"

int main(int argc, char** argv) {
  QtView view(argc, argv);
  // theApp lives in the core library; using it here links it in.
  theApp.m_pMainWnd = nullptr;
  return AfxWinMain();
}
