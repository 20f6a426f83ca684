// The framework's record of every window (internal to the framework and its
// view). All records are guarded by one lock; never call handlers or the
// view while holding it.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "framework/Dialog.h"
#include "framework/DialogTemplate.h"
#include "framework/Gdi.h"
#include "framework/Menu.h"

namespace fw {

struct TabItem {
  std::string text;
  int image = -1;
  LPARAM param = 0;
};

struct Window {
  HWND handle = nullptr;
  HWND parent = nullptr;
  std::vector<HWND> children;  // in template order
  std::thread::id owner;
  CWnd* attached = nullptr;       // the program's object, if any
  std::unique_ptr<CWnd> wrapper;  // framework object of the control's class
  bool isDialog = false;
  bool isChildDialog = false;
  bool topLevel = false;  // popup: `parent` is its owner, position on the screen
  UINT templateId = 0;
  int id = 0;
  CtrlKind kind = CtrlKind::Static;
  unsigned ctrlStyle = 0;  // CS_* of the template; DLG_* for dialogs
  DWORD addedStyle = 0;    // ModifyStyle additions (e.g. TCS_OWNERDRAWFIXED)
  CRect rect;              // pixels, in the parent's client area (top level: screen)
  CRect dluRect;           // template position (dialog units)
  bool visible = false;
  bool enabled = true;
  std::string text;
  int check = 0;
  std::vector<std::string> items;
  std::vector<DWORD_PTR> itemData;
  int curSel = -1;
  int topIndex = 0;
  int rangeMin = 0;
  int rangeMax = 100;
  int pos = 0;
  int step = 10;
  int hExtent = 0;
  COLORREF textColor = CLR_INVALID;
  UINT bitmapId = 0;
  UINT iconId = 0;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  CFont font;
  UINT limitText = 0;  // 0: no limit
  std::vector<TabItem> tabs;
  CImageList* imageList = nullptr;
  HWND buddy = nullptr;
  int baseX = 6;  // dialog base units (dialogs)
  int baseY = 13;
  std::vector<MenuItem> sysMenu;
  std::unique_ptr<CMenu> sysMenuObj;
  UINT defId = IDOK;
  std::unique_ptr<CFont> fontObj;  // what GetFont returns
  bool modal = false;              // a dialog running DoModal
  // Change counters for the view: `version` moves on every change,
  // `itemsGen` when items changed other than by appending.
  std::uint64_t version = 1;
  std::uint64_t itemsGen = 1;
};

// The framework lock (recursive: state helpers may nest).
std::recursive_mutex& Lock();
// The record of a live window, or nullptr. Call with the lock held.
Window* Find(HWND h);
// Creates a record and returns it (lock held by the caller).
Window& NewWindow();
// Removes the record (lock held); returns the object for retirement.
std::unique_ptr<Window> RemoveWindow(HWND h);
// The live windows (lock held).
std::vector<HWND> AllWindows();

// Tells the view that the window's state changed (lock not held).
void NotifyChanged(HWND h);

// Runs f on the window's record under the lock, then tells the view the
// window changed. FALSE when the window does not exist.
template <class F>
bool Modify(HWND h, F&& f) {
  {
    std::lock_guard lock(Lock());
    Window* w = Find(h);
    if (!w) return false;
    f(*w);
  }
  NotifyChanged(h);
  return true;
}

// Reads from the window's record under the lock; def when it does not exist.
template <class F>
auto Read(HWND h, std::invoke_result_t<F&, const Window&> def, F&& f) {
  std::lock_guard lock(Lock());
  const Window* w = Find(h);
  return w ? f(*w) : def;
}

// The child control of `dialog` with id `id` (lock held), nullptr if none.
Window* FindChild(HWND dialog, int id);
HWND ChildHandle(HWND dialog, int id);
// The top-level window holding h (itself for a top-level window).
HWND TopLevelOf(HWND h);
// Screen origin of a window's client area (lock held).
POINT ScreenOrigin(HWND h);
// Tab item rectangles of a tab control (lock held), in its client area.
std::vector<CRect> TabItemRects(const Window& tab);

// Dispatches a message to the window's object on the calling thread (the
// owner), with the "current message" set for Default().
LRESULT CallWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
// Sends WM_COMMAND (code) from control ctrl to its parent: synchronously on
// the owner thread, posted from other threads.
void NotifyParentCommand(HWND ctrl, UINT code);
// Sends WM_NOTIFY from ctrl to its parent; returns the handler's result.
LRESULT NotifyParent(HWND ctrl, NMHDR& hdr);

// Creates the framework object of the control's class for a record.
std::unique_ptr<CWnd> MakeWrapper(CtrlKind kind);

// Sets the message position used by GetMessagePos (screen pixels).
void SetMessagePos(POINT screenPoint);

// Moves a tab control's selection as the user does: TCN_SELCHANGING (a
// non-zero answer keeps the selection), the new selection, TCN_SELCHANGE.
void UserChangeTab(HWND tab, int index);

// Destroys a window and its children: WM_DESTROY to each (unless the
// object is going away itself), timers killed, objects detached.
void DestroyWindowTree(HWND h, bool sendDestroy);

}  // namespace fw
