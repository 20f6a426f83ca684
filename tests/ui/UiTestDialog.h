// A small modeless test dialog holding a tab control (1006) and a list box
// (1007), registered at run time.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Resources.h"

constexpr UINT kUiTestDialog = 9701;
constexpr int kUiTestTab = 1006;
constexpr int kUiTestList = 1007;

class UiTestDialog : public CDialog {
 public:
  UiTestDialog() : CDialog(kUiTestDialog) {
    RegisterDialogTemplate(
        {static_cast<int>(kUiTestDialog),
         300,
         200,
         "MS Sans Serif",
         8,
         "Test",
         {{kUiTestTab, CtrlKind::Tab, 5, 5, 290, 100, CS_VISIBLE, ""},
          {kUiTestList, CtrlKind::ListBox, 5, 110, 100, 80, CS_VISIBLE | CS_HSCROLL, ""}}});
  }
  ~UiTestDialog() override {
    if (m_hWnd) DestroyWindow();
  }
};
