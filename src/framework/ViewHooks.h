// The link between the framework and a view that shows its windows (the Qt
// view of src/framework/qt). Without a view the framework runs headless:
// state only, modal loops wait on the thread's queue.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "framework/WinDefs.h"

class CDialog;

class ViewBackend {
 public:
  virtual ~ViewBackend() = default;
  // A window's state changed (any thread, framework lock not held); the view
  // refreshes it on its own thread soon.
  virtual void WindowChanged(HWND hWnd) = 0;
  // The window was destroyed (owner thread).
  virtual void WindowDestroyed(HWND hWnd) = 0;
  // Repaint now (owner thread: UpdateWindow).
  virtual void UpdateNow(HWND hWnd) = 0;
  // The view's thread has messages or timers waiting (any thread): the view
  // calls AfxViewPump on its thread soon.
  virtual void Wake() = 0;
  // Runs the view's event loop until dlg's modal loop ended.
  virtual void RunModal(CDialog& dlg) = 0;
  // Handles waiting input events without blocking (PeekMessage).
  virtual void ProcessEvents() = 0;
  // Dialog base units (average character width and height in pixels) of a
  // font; FALSE leaves the fixed measure.
  virtual bool FontBaseUnits(std::string_view face, int pointSize, int& baseX, int& baseY) = 0;
  // Width of text in pixels in the font; -1 leaves the fixed measure.
  virtual int TextWidth(std::string_view face, int pointSize, bool bold, std::string_view text) = 0;
  // The thread the view runs on.
  virtual std::thread::id ViewThread() const = 0;
  bool IsViewThread() const { return ViewThread() == std::this_thread::get_id(); }
};

// Installs the view (null: headless). The view must outlive its use.
void SetViewBackend(ViewBackend* view);
ViewBackend* GetViewBackend();

// Dispatches the calling thread's waiting messages and due timers; returns
// the milliseconds until the next timer of the thread (-1: none).
int AfxViewPump();

// Called by DoModal after the dialog was initialised and shown, before its
// loop runs (tests use it to act out the user; see tests/support). When the
// hook ended the dialog, no loop runs. Returns the previous hook.
using ModalHook = std::function<void(CDialog&)>;
ModalHook SetModalHook(ModalHook hook);

// The fixed measures used without a view: base units of a font of the given
// size, and text width (base-unit width per character, wide characters
// counting double).
void FixedFontBaseUnits(int pointSize, int& baseX, int& baseY);
int FixedTextWidth(int pointSize, std::string_view text);
