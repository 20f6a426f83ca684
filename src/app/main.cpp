// Program entry: shows the framework's empty main window until the main
// dialog exists.
#include "framework/App.h"
#include "framework/qt/QtView.h"
#include "res/framework_ids.h"

namespace {

class CEmptyApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    Enable3dControlsStatic();
    CDialog dlg(IDD_FRAMEWORK_EMPTY);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
  }
};

CEmptyApp theApp;

}  // namespace

int main(int argc, char** argv) {
  QtView view(argc, argv);
  return AfxWinMain();
}
