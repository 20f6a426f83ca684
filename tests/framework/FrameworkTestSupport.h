// Templates and helpers shared by the framework's tests.
#pragma once

#include "framework/Controls.h"
#include "framework/FileDialog.h"
#include "framework/Resources.h"
#include "framework/ViewHooks.h"
#include "framework/qt/QtView.h"

namespace fwtest {

constexpr UINT IDD_MAIN = 9200;  // popup with a tab control
constexpr UINT IDD_PAGE = 9201;  // child page
constexpr int IDC_TAB = 1006;
constexpr int IDC_ABOUT = 1095;
constexpr int IDC_STATUS = 1003;
constexpr int IDC_PROGRESS = 1093;
constexpr int IDC_COMBO = 1116;
constexpr int IDC_LIST = 1200;
constexpr int IDC_EDIT = 1131;
constexpr int IDC_SPIN = 1135;
constexpr int IDC_RADIO_A = 1073;
constexpr int IDC_RADIO_B = 1074;
constexpr int IDC_RADIO_C = 1122;
constexpr int IDC_RADIO_D = 1123;
constexpr int IDC_WARNING = 1237;
constexpr int IDC_NAME = 1161;

inline void RegisterTemplates() {
  RegisterDialogTemplate(DialogTemplate{
      static_cast<int>(IDD_MAIN),
      350,
      336,
      "Arial",
      8,
      "Framework test",
      {
          {IDC_ABOUT, CtrlKind::Button, 277, 319, 66, 14, CS_VISIBLE, "About"},
          {IDOK, CtrlKind::Button, 213, 319, 63, 14, CS_VISIBLE | CS_DEFAULT, "Close"},
          {IDCANCEL, CtrlKind::Button, 185, 321, 23, 13, 0, "Cancel"},
          {IDC_TAB, CtrlKind::Tab, 7, 3, 336, 313, CS_VISIBLE, ""},
      },
      DLG_SYSMENU | DLG_MINIMIZEBOX});
  RegisterDialogTemplate(DialogTemplate{
      static_cast<int>(IDD_PAGE),
      282,
      257,
      "Arial",
      10,
      "",
      {
          {IDC_WARNING, CtrlKind::Static, 7, 2, 270, 33, CS_VISIBLE, "Warning text"},
          {IDC_STATUS, CtrlKind::Static, 12, 92, 255, 18, CS_VISIBLE, "Connect Status"},
          {IDC_COMBO, CtrlKind::ComboList, 55, 78, 36, 67, CS_VISIBLE, ""},
          {IDC_PROGRESS, CtrlKind::Progress, 82, 214, 146, 9, CS_VISIBLE, ""},
          {IDC_LIST, CtrlKind::ListBox, 12, 120, 120, 60, CS_VISIBLE | CS_HSCROLL, ""},
          {IDC_EDIT, CtrlKind::Edit, 150, 120, 30, 12, CS_VISIBLE | CS_NUMBER, ""},
          {IDC_SPIN, CtrlKind::UpDown, 180, 120, 10, 12, CS_VISIBLE | CS_BUDDY, ""},
          {IDC_RADIO_A, CtrlKind::RadioButton, 150, 140, 60, 10, CS_VISIBLE | CS_GROUP, "Full"},
          {IDC_RADIO_B, CtrlKind::RadioButton, 150, 152, 60, 10, CS_VISIBLE, "Overwrite"},
          {IDC_RADIO_C, CtrlKind::RadioButton, 150, 164, 60, 10, CS_VISIBLE | CS_GROUP, "Second"},
          {IDC_RADIO_D, CtrlKind::RadioButton, 150, 176, 60, 10, CS_VISIBLE, "Distance"},
          {1231, CtrlKind::GroupBox, 7, 204, 270, 51, CS_VISIBLE, "Step3: Firmware Update"},
          {IDC_NAME, CtrlKind::Edit, 200, 140, 60, 12, CS_VISIBLE | CS_BORDER, ""},
      },
      DLG_CHILD});
}

// Runs the test without a view (fixed measures) and without the view's
// dialogs, whatever ran before in the process.
class Headless {
 public:
  Headless()
      : m_old(GetViewBackend()),
        m_box(SetMessageBoxHook(nullptr)),
        m_file(SetFileDialogHook(nullptr)),
        m_folder(SetFolderDialogHook(nullptr)) {
    SetViewBackend(nullptr);
  }
  ~Headless() {
    SetViewBackend(m_old);
    SetMessageBoxHook(std::move(m_box));
    SetFileDialogHook(std::move(m_file));
    SetFolderDialogHook(std::move(m_folder));
  }

 private:
  ViewBackend* m_old;
  MessageBoxHook m_box;
  FileDialogHook m_file;
  FolderDialogHook m_folder;
};

// The one Qt view of a test process (Qt wants one application per process).
inline QtView& SharedView() {
  static QtView* view = new QtView();
  view->Activate();
  return *view;
}

}  // namespace fwtest
