#include <gtest/gtest.h>

#include "app/VantoUtilityApp.h"
#include "app/VantoUtilityDlg.h"
#include "firmware/PageDeviceSetting.h"
#include "link/IsolatedPorts.h"
#include "support/ScriptedUi.h"

TEST(VantoUtilityApp, RunsTheMainDialogModallyThenEnds) {
  IsolatedPorts ports;
  ScriptedUi ui;
  CVantoUtilityApp app;
  CWnd* mainWindow = nullptr;
  bool deviceTabShown = false;
  ui.OnModal(IDD_VANTOUTILITY_DIALOG, [&](CDialog& dlg) {
    mainWindow = app.m_pMainWnd;
    auto& main = dynamic_cast<CVantoUtilityDlg&>(dlg);
    deviceTabShown = main.m_pPageDevice->IsWindowVisible() != FALSE;
    EXPECT_EQ(AfxGetApp(), &app);
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_NE(mainWindow, nullptr);
  EXPECT_TRUE(deviceTabShown);
  EXPECT_EQ(app.m_pMainWnd, nullptr);  // the dialog is gone: no dangling main window
  EXPECT_EQ(ui.ModalDialogs(), std::vector<UINT>{IDD_VANTOUTILITY_DIALOG});
}
