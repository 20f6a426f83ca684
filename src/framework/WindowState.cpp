#include "framework/WindowState.h"

#include <unordered_map>

#include "framework/Controls.h"
#include "framework/MessageQueue.h"
#include "framework/ViewHooks.h"

namespace fw {

namespace {

struct Registry {
  std::recursive_mutex mutex;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::uintptr_t nextHandle = 0x100;
};

Registry& Reg() {
  // Never destroyed: workers may still ask about windows at exit.
  static auto* reg = new Registry();
  return *reg;
}

thread_local POINT t_messagePos;

}  // namespace

std::recursive_mutex& Lock() { return Reg().mutex; }

Window* Find(HWND h) {
  if (!h) return nullptr;
  auto& windows = Reg().windows;
  auto it = windows.find(reinterpret_cast<std::uintptr_t>(h));
  return it == windows.end() ? nullptr : it->second.get();
}

Window& NewWindow() {
  auto& reg = Reg();
  auto w = std::make_unique<Window>();
  // Handles are never reused, so a stale handle never reaches a new window.
  w->handle = reinterpret_cast<HWND>(reg.nextHandle);
  reg.nextHandle += 4;
  w->owner = std::this_thread::get_id();
  MarkThreadOwnsWindows();
  Window& ref = *w;
  reg.windows.emplace(reinterpret_cast<std::uintptr_t>(ref.handle), std::move(w));
  return ref;
}

std::unique_ptr<Window> RemoveWindow(HWND h) {
  auto& windows = Reg().windows;
  auto it = windows.find(reinterpret_cast<std::uintptr_t>(h));
  if (it == windows.end()) return nullptr;
  auto w = std::move(it->second);
  windows.erase(it);
  return w;
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> out;
  for (auto& [k, w] : Reg().windows) out.push_back(w->handle);
  return out;
}

void NotifyChanged(HWND h) {
  {
    std::lock_guard lock(Lock());
    if (Window* w = Find(h)) ++w->version;
  }
  if (ViewBackend* view = GetViewBackend()) view->WindowChanged(h);
}

Window* FindChild(HWND dialog, int id) {
  Window* d = Find(dialog);
  if (!d) return nullptr;
  for (HWND c : d->children) {
    Window* w = Find(c);
    if (w && w->id == id) return w;
  }
  return nullptr;
}

HWND ChildHandle(HWND dialog, int id) {
  std::lock_guard lock(Lock());
  Window* w = FindChild(dialog, id);
  return w ? w->handle : nullptr;
}

HWND TopLevelOf(HWND h) {
  std::lock_guard lock(Lock());
  Window* w = Find(h);
  while (w && w->parent && !w->topLevel) {
    Window* p = Find(w->parent);
    if (!p) break;
    w = p;
  }
  return w ? w->handle : nullptr;
}

POINT ScreenOrigin(HWND h) {
  POINT p;
  for (Window* w = Find(h); w; w = Find(w->parent)) {
    p.x += w->rect.left;
    p.y += w->rect.top;
    if (w->topLevel) break;
  }
  return p;
}

std::vector<CRect> TabItemRects(const Window& tab) {
  // Items in one row from the top left, each as wide as its text plus a
  // margin (at least 40 pixels), as high as the font plus 7 pixels.
  std::vector<CRect> rects;
  int baseX = 0, baseY = 0;
  ViewBackend* view = GetViewBackend();
  if (!view || !view->FontBaseUnits(tab.font.FaceName(), tab.font.PointSize(), baseX, baseY))
    FixedFontBaseUnits(tab.font.PointSize(), baseX, baseY);
  int imageWidth = tab.imageList ? tab.imageList->ImageSize().cx + 2 : 0;
  int x = 2;
  for (const TabItem& item : tab.tabs) {
    int width = MeasureTextWidth(tab.font, item.text) + 12;
    if (item.image >= 0) width += imageWidth;
    if (width < 40) width = 40;
    rects.emplace_back(x, 2, x + width, 2 + baseY + 7);
    x += width;
  }
  return rects;
}

void SetMessagePos(POINT screenPoint) { t_messagePos = screenPoint; }

}  // namespace fw

DWORD GetMessagePos() {
  return MAKELONG(static_cast<WORD>(fw::t_messagePos.x), static_cast<WORD>(fw::t_messagePos.y));
}

namespace fw {

std::unique_ptr<CWnd> MakeWrapper(CtrlKind kind) {
  switch (kind) {
    case CtrlKind::Static:
    case CtrlKind::Bitmap:
    case CtrlKind::Icon:
      return std::make_unique<CStatic>();
    case CtrlKind::GroupBox:
    case CtrlKind::Button:
    case CtrlKind::CheckBox:
    case CtrlKind::RadioButton:
      return std::make_unique<CButton>();
    case CtrlKind::Edit:
      return std::make_unique<CEdit>();
    case CtrlKind::ComboList:
      return std::make_unique<CComboBox>();
    case CtrlKind::ListBox:
      return std::make_unique<CListBox>();
    case CtrlKind::Progress:
      return std::make_unique<CProgressCtrl>();
    case CtrlKind::UpDown:
      return std::make_unique<CSpinButtonCtrl>();
    case CtrlKind::Tab:
      return std::make_unique<CTabCtrl>();
  }
  return std::make_unique<CWnd>();
}

}  // namespace fw
