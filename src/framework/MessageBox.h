// Message boxes through a replaceable hook: the Qt view shows a dialog, a
// test scripts the answer (tests/support/ScriptedUi.h), and without either
// the text goes to standard error and the safe answer is given.
#pragma once

#include <functional>
#include <string>

#include "framework/WinDefs.h"

enum : UINT {
  MB_OK = 0x0000,
  MB_OKCANCEL = 0x0001,
  MB_ABORTRETRYIGNORE = 0x0002,
  MB_YESNOCANCEL = 0x0003,
  MB_YESNO = 0x0004,
  MB_RETRYCANCEL = 0x0005,
  MB_TYPEMASK = 0x000F,
  MB_ICONHAND = 0x0010,
  MB_ICONSTOP = MB_ICONHAND,
  MB_ICONERROR = MB_ICONHAND,
  MB_ICONQUESTION = 0x0020,
  MB_ICONEXCLAMATION = 0x0030,
  MB_ICONWARNING = MB_ICONEXCLAMATION,
  MB_ICONASTERISK = 0x0040,
  MB_ICONINFORMATION = MB_ICONASTERISK,
  MB_ICONMASK = 0x00F0,
  MB_DEFBUTTON1 = 0x0000,
  MB_DEFBUTTON2 = 0x0100,
  MB_DEFBUTTON3 = 0x0200,
  MB_APPLMODAL = 0x0000,
  MB_SYSTEMMODAL = 0x1000,
  MB_TASKMODAL = 0x2000,
  MB_SETFOREGROUND = 0x10000,
  MB_TOPMOST = 0x40000,
};

struct MessageBoxRequest {
  HWND owner;  // may be null
  std::string text;
  std::string caption;
  UINT type;  // MB_* flags
  UINT Buttons() const { return type & MB_TYPEMASK; }
  UINT Icon() const { return type & MB_ICONMASK; }
};

// Returns IDOK, IDCANCEL, IDYES, IDNO... The hook may be called on any
// thread; the view's hook brings the question to the GUI thread.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
// Installs a hook (empty: the default); returns the previous one.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// The answer given without a user: IDOK for MB_OK, else the answer that
// changes nothing (IDCANCEL, IDNO, IDABORT).
int DefaultMessageBoxAnswer(UINT type);

// Shows a message box with the program's title (string 300) as caption.
int AfxMessageBox(TextArg text, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
// The general form with an owner and a caption.
int ShowMessageBox(HWND owner, TextArg text, TextArg caption, UINT nType);
