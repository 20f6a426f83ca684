// The Qt 6 Widgets view of the dialog framework: shows every top-level
// dialog as a window with its controls at their template positions, keeps
// the widgets in step with the framework's state, and turns the user's
// input into the framework's notifications. Message boxes and the file and
// folder choosers become Qt dialogs.
#pragma once

#include <memory>
#include <string>

class CWnd;

class QtView {
 public:
  // Creates the QApplication (when none exists yet) and installs the view.
  // QT_QPA_PLATFORM=offscreen gives a view without a screen (tests).
  QtView(int& argc, char** argv);
  QtView();
  ~QtView();
  QtView(const QtView&) = delete;
  QtView& operator=(const QtView&) = delete;

  // Installs the Qt message box and chooser hooks (the constructor does).
  void InstallDialogHooks();

  class Impl;

 private:
  std::unique_ptr<Impl> m_impl;
};

// Renders the dialog (with its child pages) into a PNG file; TRUE on
// success. Needs a QtView.
bool SaveDialogPng(CWnd& dialog, const std::string& path);
