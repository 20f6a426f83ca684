// Message boxes through the replaceable hook.
#include "framework/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "framework/Hook.h"
#include "framework/Strings.h"

namespace {

fw::Hook<MessageBoxHook> g_hook;

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return g_hook.Exchange(std::move(hook)); }

int DefaultMessageBoxAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK:
      return IDOK;
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
    case MB_YESNOCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDOK;
  }
}

int ShowMessageBox(HWND owner, TextArg text, TextArg caption, UINT nType) {
  MessageBoxRequest req{owner, text.str(), caption.str(), nType};
  if (req.caption.empty()) {
    req.caption = LoadResString(300);
    if (req.caption.empty()) req.caption = "navrel";
  }
  MessageBoxHook hook = g_hook.Get();
  if (hook) return hook(req);
  std::fprintf(stderr, "[%s] %s\n", req.caption.c_str(), req.text.c_str());
  return DefaultMessageBoxAnswer(nType);
}

int AfxMessageBox(TextArg text, UINT nType, UINT) {
  return ShowMessageBox(nullptr, text, {}, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT) {
  return ShowMessageBox(nullptr, LoadResString(nIDPrompt), {}, nType);
}
