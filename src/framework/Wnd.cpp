// CWnd: window objects over the framework's window records.
#include <algorithm>
#include <cstdlib>

#include "framework/Controls.h"
#include "framework/MessageQueue.h"
#include "framework/ViewHooks.h"
#include "framework/WindowState.h"
#include "platform/Sleep.h"

using fw::Window;

const CWnd CWnd::wndTop;
const CWnd CWnd::wndBottom;

struct CWnd::RuntimeHandlers {
  struct Command {
    UINT id, code;
    std::function<void()> fn;
  };
  struct Notify {
    UINT id, code;
    std::function<void(NMHDR*, LRESULT*)> fn;
  };
  struct Message {
    UINT message;
    std::function<LRESULT(WPARAM, LPARAM)> fn;
  };
  std::vector<Command> commands;
  std::vector<Notify> notifies;
  std::vector<Message> messages;
};

namespace {

// Objects of destroyed windows that the framework created are kept, so a
// pointer a handler or worker still holds stays usable (its calls do nothing).
std::vector<std::unique_ptr<CWnd>>& Retired() {
  static auto* retired = new std::vector<std::unique_ptr<CWnd>>();
  return *retired;
}

thread_local std::vector<MSG> t_currentMessages;
HWND g_focus = nullptr;

}  // namespace

namespace fw {

LRESULT CallWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandle(h);
  if (!wnd) return 0;
  t_currentMessages.push_back(MSG{h, message, wParam, lParam, 0, {}});
  LRESULT r = wnd->WindowProc(message, wParam, lParam);
  t_currentMessages.pop_back();
  return r;
}

void NotifyParentCommand(HWND ctrl, UINT code) {
  HWND parent = nullptr;
  int id = 0;
  {
    std::lock_guard lock(Lock());
    Window* w = Find(ctrl);
    if (!w) return;
    parent = w->parent;
    id = w->id;
  }
  if (!parent) return;
  WPARAM wp = MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(code));
  auto owner = Read(parent, std::thread::id(), [](const Window& w) { return w.owner; });
  if (owner == std::this_thread::get_id())
    ::SendMessage(parent, WM_COMMAND, wp, reinterpret_cast<LPARAM>(ctrl));
  else
    ::PostMessage(parent, WM_COMMAND, wp, reinterpret_cast<LPARAM>(ctrl));
}

LRESULT NotifyParent(HWND ctrl, NMHDR& hdr) {
  HWND parent = nullptr;
  {
    std::lock_guard lock(Lock());
    Window* w = Find(ctrl);
    if (!w) return 0;
    parent = w->parent;
    hdr.hwndFrom = ctrl;
    hdr.idFrom = static_cast<UINT_PTR>(w->id);
  }
  if (!parent) return 0;
  return ::SendMessage(parent, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
}

void DestroyWindowTree(HWND h, bool sendDestroy) {
  std::thread::id owner;
  std::vector<HWND> children;
  {
    std::lock_guard lock(Lock());
    Window* w = Find(h);
    if (!w) return;
    owner = w->owner;
    children = w->children;
  }
  if (sendDestroy && owner == std::this_thread::get_id()) CallWindowProc(h, WM_DESTROY, 0, 0);
  for (HWND c : children) DestroyWindowTree(c, true);
  // Popups owned by this window go with it.
  std::vector<HWND> owned;
  {
    std::lock_guard lock(Lock());
    for (HWND o : AllWindows()) {
      Window* w = Find(o);
      if (w && w->topLevel && w->parent == h) owned.push_back(o);
    }
  }
  for (HWND o : owned) DestroyWindowTree(o, true);
  CWnd* attached = nullptr;
  {
    std::lock_guard lock(Lock());
    std::unique_ptr<Window> w = RemoveWindow(h);
    if (!w) return;
    if (Window* p = Find(w->parent)) std::erase(p->children, h);
    attached = w->attached;
    if (attached) attached->m_hWnd = nullptr;
    if (w->wrapper) {
      w->wrapper->m_hWnd = nullptr;
      Retired().push_back(std::move(w->wrapper));
    }
    if (g_focus == h) g_focus = nullptr;
  }
  QueueOf(owner)->KillTimers(h);
  if (ViewBackend* view = GetViewBackend()) view->WindowDestroyed(h);
  if (attached && sendDestroy) attached->PostNcDestroy();
}

}  // namespace fw

// ---- handles and objects ----

CWnd::~CWnd() {
  if (!m_hWnd) return;
  bool destroy = false;
  {
    std::lock_guard lock(fw::Lock());
    Window* w = fw::Find(m_hWnd);
    if (w && w->attached == this) {
      w->attached = nullptr;
      destroy = w->isDialog;
    }
  }
  // A dialog object going away takes its window along; a control object
  // only lets go of its control.
  if (destroy) fw::DestroyWindowTree(m_hWnd, false);
  m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(hWnd);
  if (!w) return nullptr;
  if (w->attached) return w->attached;
  if (!w->wrapper) {
    w->wrapper = fw::MakeWrapper(w->kind);
    w->wrapper->m_hWnd = hWnd;
  }
  return w->wrapper.get();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(hWnd);
  return w ? w->attached : nullptr;
}

BOOL CWnd::Attach(HWND hWnd) {
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(hWnd);
  if (!w) return FALSE;
  if (w->attached && w->attached != this) w->attached->m_hWnd = nullptr;
  w->attached = this;
  m_hWnd = hWnd;
  return TRUE;
}

HWND CWnd::Detach() {
  std::lock_guard lock(fw::Lock());
  HWND h = m_hWnd;
  if (Window* w = fw::Find(h); w && w->attached == this) w->attached = nullptr;
  m_hWnd = nullptr;
  return h;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  if (!pParent) return FALSE;
  HWND h = fw::ChildHandle(pParent->m_hWnd, static_cast<int>(nID));
  return h ? Attach(h) : FALSE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  fw::DestroyWindowTree(m_hWnd, true);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) {
  std::lock_guard lock(fw::Lock());
  return fw::Find(hWnd) != nullptr;
}

// ---- relations ----

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(fw::ChildHandle(m_hWnd, nID)); }

int CWnd::GetDlgCtrlID() const {
  return fw::Read(m_hWnd, 0, [](const Window& w) { return w.id; });
}

CWnd* CWnd::GetParent() const {
  return FromHandle(fw::Read(m_hWnd, HWND{}, [](const Window& w) { return w.parent; }));
}

CWnd* CWnd::GetTopLevelParent() const { return FromHandle(fw::TopLevelOf(m_hWnd)); }

CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
  CWnd* old = GetParent();
  HWND np = pWndNewParent ? pWndNewParent->m_hWnd : nullptr;
  {
    std::lock_guard lock(fw::Lock());
    Window* w = fw::Find(m_hWnd);
    if (!w) return nullptr;
    if (Window* p = fw::Find(w->parent); p && !w->topLevel) std::erase(p->children, m_hWnd);
    w->parent = np;
    if (Window* p = fw::Find(np); p && !w->topLevel) p->children.push_back(m_hWnd);
  }
  fw::NotifyChanged(m_hWnd);
  return old;
}

// ---- texts ----

void CWnd::SetWindowText(TextArg text) {
  std::string t = text.str();
  bool isEdit = false;
  bool changed = false;
  fw::Modify(m_hWnd, [&](Window& w) {
    isEdit = !w.isDialog && w.kind == CtrlKind::Edit;
    changed = w.text != t;
    w.text = std::move(t);
  });
  // An edit reports a new text as typing does.
  if (isEdit && changed) fw::NotifyParentCommand(m_hWnd, EN_CHANGE);
}

int CWnd::GetWindowText(std::string& text) const {
  text = GetWindowTextString();
  return static_cast<int>(text.size());
}

int CWnd::GetWindowText(LPTSTR buffer, int maxCount) const {
  if (!buffer || maxCount <= 0) return 0;
  std::string t = GetWindowTextString();
  int n = std::min(static_cast<int>(t.size()), maxCount - 1);
  t.copy(buffer, static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

std::string CWnd::GetWindowTextString() const {
  return fw::Read(m_hWnd, std::string(), [](const Window& w) { return w.text; });
}

int CWnd::GetWindowTextLength() const { return static_cast<int>(GetWindowTextString().size()); }

void CWnd::SetDlgItemText(int nID, TextArg text) {
  if (CWnd* c = GetDlgItem(nID)) c->SetWindowText(text);
}

int CWnd::GetDlgItemText(int nID, std::string& text) const {
  text.clear();
  if (CWnd* c = GetDlgItem(nID)) return c->GetWindowText(text);
  return 0;
}

int CWnd::GetDlgItemText(int nID, LPTSTR buffer, int maxCount) const {
  if (CWnd* c = GetDlgItem(nID)) return c->GetWindowText(buffer, maxCount);
  if (buffer && maxCount > 0) buffer[0] = '\0';
  return 0;
}

void CWnd::SetDlgItemInt(int nID, UINT value, BOOL bSigned) {
  SetDlgItemText(nID, bSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value));
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* pTranslated, BOOL bSigned) const {
  std::string t;
  GetDlgItemText(nID, t);
  const char* s = t.c_str();
  while (*s == ' ') ++s;
  char* end = nullptr;
  long long v =
      bSigned ? std::strtoll(s, &end, 10) : static_cast<long long>(std::strtoull(s, &end, 10));
  while (end && *end == ' ') ++end;
  bool ok = end && end != s && *end == '\0';
  if (pTranslated) *pTranslated = ok ? TRUE : FALSE;
  return ok ? static_cast<UINT>(v) : 0;
}

void CWnd::SetDlgItemTextRes(int nID, UINT stringId) {
  SetDlgItemText(nID, LoadResString(stringId));
}

// ---- buttons by id ----

void CWnd::CheckDlgButton(int nID, UINT nCheck) {
  fw::Modify(fw::ChildHandle(m_hWnd, nID), [&](Window& w) { w.check = static_cast<int>(nCheck); });
}

UINT CWnd::IsDlgButtonChecked(int nID) const {
  return fw::Read(fw::ChildHandle(m_hWnd, nID), 0u,
                  [](const Window& w) { return static_cast<UINT>(w.check); });
}

void CWnd::CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck) {
  std::vector<HWND> changed;
  {
    std::lock_guard lock(fw::Lock());
    Window* d = fw::Find(m_hWnd);
    if (!d) return;
    for (HWND c : d->children) {
      Window* w = fw::Find(c);
      if (w && w->id >= nIDFirst && w->id <= nIDLast) {
        w->check = w->id == nIDCheck ? 1 : 0;
        changed.push_back(c);
      }
    }
  }
  for (HWND c : changed) fw::NotifyChanged(c);
}

int CWnd::GetCheckedRadioButton(int nIDFirst, int nIDLast) const {
  std::lock_guard lock(fw::Lock());
  Window* d = fw::Find(m_hWnd);
  if (!d) return 0;
  for (HWND c : d->children) {
    Window* w = fw::Find(c);
    if (w && w->id >= nIDFirst && w->id <= nIDLast && w->check) return w->id;
  }
  return 0;
}

// ---- state ----

BOOL CWnd::EnableWindow(BOOL bEnable) {
  bool wasDisabled = false;
  fw::Modify(m_hWnd, [&](Window& w) {
    wasDisabled = !w.enabled;
    w.enabled = bEnable != FALSE;
  });
  return wasDisabled ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const {
  return fw::Read(m_hWnd, FALSE, [](const Window& w) { return w.enabled ? TRUE : FALSE; });
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  bool wasVisible = false;
  fw::Modify(m_hWnd, [&](Window& w) {
    wasVisible = w.visible;
    w.visible = nCmdShow != SW_HIDE;
  });
  return wasVisible ? TRUE : FALSE;
}

BOOL CWnd::IsVisibleFlag() const {
  return fw::Read(m_hWnd, FALSE, [](const Window& w) { return w.visible ? TRUE : FALSE; });
}

BOOL CWnd::IsWindowVisible() const {
  std::lock_guard lock(fw::Lock());
  for (Window* w = fw::Find(m_hWnd); w; w = w->topLevel ? nullptr : fw::Find(w->parent))
    if (!w->visible) return FALSE;
  return fw::Find(m_hWnd) ? TRUE : FALSE;
}

void CWnd::UpdateWindow() {
  ViewBackend* view = GetViewBackend();
  if (!view || !m_hWnd) return;
  if (view->IsViewThread())
    view->UpdateNow(m_hWnd);
  else
    view->WindowChanged(m_hWnd);
}

void CWnd::Invalidate(BOOL) { fw::NotifyChanged(m_hWnd); }
void CWnd::InvalidateRect(LPCRECT, BOOL) { fw::NotifyChanged(m_hWnd); }

BOOL CWnd::RedrawWindow(LPCRECT, void*, UINT flags) {
  if (flags & RDW_UPDATENOW)
    UpdateWindow();
  else
    Invalidate();
  return m_hWnd != nullptr;
}

DWORD CWnd::GetStyle() const {
  return fw::Read(m_hWnd, DWORD{0}, [](const Window& w) {
    DWORD s = w.addedStyle;
    if (w.visible) s |= WS_VISIBLE;
    if (!w.enabled) s |= WS_DISABLED;
    if (!w.topLevel)
      s |= WS_CHILD;
    else
      s |= WS_POPUP | WS_CAPTION;
    if (w.ctrlStyle & CS_GROUP) s |= WS_GROUP;
    if (w.kind == CtrlKind::Tab && (w.ctrlStyle & CS_OWNERDRAW)) s |= TCS_OWNERDRAWFIXED;
    return s;
  });
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
  return fw::Modify(m_hWnd,
                    [&](Window& w) {
                      if (remove & WS_VISIBLE) w.visible = false;
                      if (add & WS_VISIBLE) w.visible = true;
                      if (remove & WS_DISABLED) w.enabled = true;
                      if (add & WS_DISABLED) w.enabled = false;
                      if (remove & TCS_OWNERDRAWFIXED) w.ctrlStyle &= ~CS_OWNERDRAW;
                      const DWORD kept = ~(WS_VISIBLE | WS_DISABLED);
                      w.addedStyle = (w.addedStyle & ~(remove & kept)) | (add & kept);
                    })
             ? TRUE
             : FALSE;
}

CWnd* CWnd::SetFocus() {
  HWND old;
  {
    std::lock_guard lock(fw::Lock());
    old = g_focus;
    if (fw::Find(m_hWnd)) g_focus = m_hWnd;
  }
  return FromHandle(old);
}

CWnd* CWnd::GetFocus() {
  HWND f;
  {
    std::lock_guard lock(fw::Lock());
    f = g_focus;
  }
  return FromHandle(f);
}

void CWnd::SetTextColor(COLORREF color) {
  fw::Modify(m_hWnd, [&](Window& w) { w.textColor = color; });
}
void CWnd::ResetTextColor() { SetTextColor(CLR_INVALID); }
COLORREF CWnd::GetTextColor() const {
  return fw::Read(m_hWnd, CLR_INVALID, [](const Window& w) { return w.textColor; });
}

void CWnd::SetFont(CFont* pFont, BOOL) {
  if (!pFont) return;
  CFont f = *pFont;
  fw::Modify(m_hWnd, [&](Window& w) { w.font = f; });
}

CFont* CWnd::GetFont() const {
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(m_hWnd);
  if (!w) return nullptr;
  if (!w->fontObj) w->fontObj = std::make_unique<CFont>();
  *w->fontObj = w->font;
  return w->fontObj.get();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
  HICON old = nullptr;
  fw::Modify(m_hWnd, [&](Window& w) {
    HICON& slot = bBigIcon ? w.bigIcon : w.smallIcon;
    old = slot;
    slot = hIcon;
  });
  return old;
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
  return fw::Read(m_hWnd, HICON{},
                  [&](const Window& w) { return bBigIcon ? w.bigIcon : w.smallIcon; });
}

// ---- geometry ----

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
  fw::Modify(m_hWnd, [&](Window& w) { w.rect = CRect(x, y, x + nWidth, y + nHeight); });
}

void CWnd::MoveWindow(LPCRECT rect, BOOL bRepaint) {
  if (rect)
    MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT nFlags) {
  return fw::Modify(m_hWnd,
                    [&](Window& w) {
                      if (!(nFlags & SWP_NOMOVE)) w.rect.MoveToXY(x, y);
                      if (!(nFlags & SWP_NOSIZE)) {
                        w.rect.right = w.rect.left + cx;
                        w.rect.bottom = w.rect.top + cy;
                      }
                      if (nFlags & SWP_SHOWWINDOW) w.visible = true;
                      if (nFlags & SWP_HIDEWINDOW) w.visible = false;
                    })
             ? TRUE
             : FALSE;
}

void CWnd::GetWindowRect(LPRECT rect) const {
  if (!rect) return;
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(m_hWnd);
  if (!w) {
    *rect = RECT{};
    return;
  }
  CRect r = w->rect;
  if (!w->topLevel) {
    POINT o = fw::ScreenOrigin(w->parent);
    r.OffsetRect(o.x, o.y);
  }
  *rect = r;
}

void CWnd::GetClientRect(LPRECT rect) const {
  if (!rect) return;
  CRect r = fw::Read(m_hWnd, CRect(), [](const Window& w) { return w.rect; });
  *rect = CRect(0, 0, r.Width(), r.Height());
}

void CWnd::ScreenToClient(LPPOINT pt) const {
  if (!pt) return;
  std::lock_guard lock(fw::Lock());
  POINT o = fw::ScreenOrigin(m_hWnd);
  pt->x -= o.x;
  pt->y -= o.y;
}

void CWnd::ScreenToClient(LPRECT rect) const {
  if (!rect) return;
  POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
  ScreenToClient(&a);
  ScreenToClient(&b);
  *rect = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::ClientToScreen(LPPOINT pt) const {
  if (!pt) return;
  std::lock_guard lock(fw::Lock());
  POINT o = fw::ScreenOrigin(m_hWnd);
  pt->x += o.x;
  pt->y += o.y;
}

void CWnd::ClientToScreen(LPRECT rect) const {
  if (!rect) return;
  POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
  ClientToScreen(&a);
  ClientToScreen(&b);
  *rect = RECT{a.x, a.y, b.x, b.y};
}

// ---- messages ----

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto owner = fw::Read(hWnd, std::thread::id(), [](const Window& w) { return w.owner; });
  if (owner == std::thread::id()) return 0;
  if (owner == std::this_thread::get_id()) return fw::CallWindowProc(hWnd, message, wParam, lParam);
  auto state = std::make_shared<fw::SentState>();
  fw::QueueItem item;
  item.msg = MSG{hWnd, message, wParam, lParam, GetTickCount(), {}};
  item.sent = state;
  fw::QueueOf(owner)->Post(std::move(item));
  return fw::WaitSent(*state, [hWnd] { return IsWindow(hWnd) != FALSE; });
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto owner = fw::Read(hWnd, std::thread::id(), [](const Window& w) { return w.owner; });
  if (owner == std::thread::id()) return FALSE;
  fw::QueueItem item;
  item.msg = MSG{hWnd, message, wParam, lParam, GetTickCount(), {}};
  fw::QueueOf(owner)->Post(std::move(item));
  return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(fw::ChildHandle(m_hWnd, nID), message, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC) {
  auto owner = fw::Read(m_hWnd, std::thread::id(), [](const Window& w) { return w.owner; });
  if (owner == std::thread::id()) return 0;
  fw::QueueOf(owner)->SetTimer(m_hWnd, nIDEvent, std::max<UINT>(nElapse, 1));
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  auto owner = fw::Read(m_hWnd, std::thread::id(), [](const Window& w) { return w.owner; });
  if (owner == std::thread::id()) return FALSE;
  return fw::QueueOf(owner)->KillTimer(m_hWnd, nIDEvent) ? TRUE : FALSE;
}

int CWnd::MessageBox(TextArg text, TextArg caption, UINT nType) {
  return ShowMessageBox(m_hWnd, text, caption, nType);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(m_hWnd);
  if (!w) return nullptr;
  if (bRevert) {
    w->sysMenu.clear();
    return nullptr;
  }
  if (!w->sysMenuObj) w->sysMenuObj = std::make_unique<CMenu>(m_hWnd);
  return w->sysMenuObj.get();
}

void CWnd::BindCommand(UINT nID, UINT nCode, std::function<void()> handler) {
  if (!m_runtime) m_runtime = std::make_shared<RuntimeHandlers>();
  m_runtime->commands.push_back({nID, nCode, std::move(handler)});
}

void CWnd::BindNotify(UINT nID, UINT nCode, std::function<void(NMHDR*, LRESULT*)> handler) {
  if (!m_runtime) m_runtime = std::make_shared<RuntimeHandlers>();
  m_runtime->notifies.push_back({nID, nCode, std::move(handler)});
}

void CWnd::BindMessage(UINT message, std::function<LRESULT(WPARAM, LPARAM)> handler) {
  if (!m_runtime) m_runtime = std::make_shared<RuntimeHandlers>();
  m_runtime->messages.push_back({message, std::move(handler)});
}

// ---- the window procedure ----

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxKind_end, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxKind_end, nullptr}};
  static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

namespace {

template <class Match>
const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, Match match) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->nKind != AfxKind_end; ++e)
      if (match(*e)) return e;
  return nullptr;
}

}  // namespace

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnWndMsg(message, wParam, lParam, &result)) return result;
  return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) {
      *pResult = 0;
      return TRUE;
    }
    return FALSE;
  }
  if (message == WM_NOTIFY) {
    LRESULT r = 0;
    if (OnNotify(wParam, lParam, &r)) {
      *pResult = r;
      return TRUE;
    }
    return FALSE;
  }
  if (auto runtime = m_runtime) {
    for (auto& m : runtime->messages)
      if (m.message == message) {
        *pResult = m.fn(wParam, lParam);
        return TRUE;
      }
  }
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), [&](const AFX_MSGMAP_ENTRY& e) {
    return e.nKind == AfxKind_message && e.nMessage == message;
  });
  if (!e) return FALSE;
  AfxMsgCall call{message, wParam, lParam, pResult};
  *pResult = e->pfn(this, call);
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (auto runtime = m_runtime) {
    for (auto& c : runtime->commands)
      if (c.id == id && c.code == code) {
        c.fn();
        return TRUE;
      }
  }
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), [&](const AFX_MSGMAP_ENTRY& e) {
    return e.nKind == AfxKind_command && e.nCode == code && id >= e.nID && id <= e.nLastID;
  });
  if (!e) return FALSE;
  LRESULT unused = 0;
  AfxMsgCall call{WM_COMMAND, wParam, lParam, &unused};
  e->pfn(this, call);
  return TRUE;
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  if (!hdr) return FALSE;
  // The control that sent it may take it first (reflection).
  if (CWnd* ctrl = FromHandlePermanent(hdr->hwndFrom); ctrl && ctrl != this) {
    const AFX_MSGMAP_ENTRY* r = FindEntry(ctrl->GetMessageMap(), [&](const AFX_MSGMAP_ENTRY& e) {
      return e.nKind == AfxKind_reflectNotify && e.nCode == hdr->code;
    });
    if (r) {
      AfxMsgCall call{WM_NOTIFY, wParam, lParam, pResult};
      r->pfn(ctrl, call);
      return TRUE;
    }
  }
  UINT id = static_cast<UINT>(hdr->idFrom);
  if (auto runtime = m_runtime) {
    for (auto& n : runtime->notifies)
      if (n.id == id && n.code == hdr->code) {
        n.fn(hdr, pResult);
        return TRUE;
      }
  }
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), [&](const AFX_MSGMAP_ENTRY& e) {
    return e.nKind == AfxKind_notify && e.nCode == hdr->code && id >= e.nID && id <= e.nLastID;
  });
  if (!e) return FALSE;
  AfxMsgCall call{WM_NOTIFY, wParam, lParam, pResult};
  e->pfn(this, call);
  return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::Default() {
  if (t_currentMessages.empty()) return 0;
  MSG m = t_currentMessages.back();
  return DefWindowProc(m.message, m.wParam, m.lParam);
}

void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return nullptr; }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return nullptr; }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }

LONG GetWindowLong(HWND hWnd, int nIndex) {
  if (nIndex != GWL_STYLE) return 0;
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? static_cast<LONG>(w->GetStyle()) : 0;
}

LONG SetWindowLong(HWND hWnd, int nIndex, LONG value) {
  CWnd* w = CWnd::FromHandle(hWnd);
  if (nIndex != GWL_STYLE || !w) return 0;
  DWORD old = w->GetStyle();
  w->ModifyStyle(old & ~static_cast<DWORD>(value), static_cast<DWORD>(value) & ~old);
  return static_cast<LONG>(old);
}

BOOL IsTimerSet(HWND hWnd, UINT_PTR id) {
  auto owner = fw::Read(hWnd, std::thread::id(), [](const Window& w) { return w.owner; });
  if (owner == std::thread::id()) return FALSE;
  return fw::QueueOf(owner)->HasTimer(hWnd, id) ? TRUE : FALSE;
}

HWND GetDlgItem(HWND hDlg, int nID) { return fw::ChildHandle(hDlg, nID); }

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? w->EnableWindow(bEnable) : FALSE;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? w->ShowWindow(nCmdShow) : FALSE;
}

BOOL SetWindowText(HWND hWnd, TextArg text) {
  CWnd* w = CWnd::FromHandle(hWnd);
  if (!w) return FALSE;
  w->SetWindowText(text);
  return TRUE;
}

int GetWindowText(HWND hWnd, LPTSTR buffer, int maxCount) {
  CWnd* w = CWnd::FromHandle(hWnd);
  if (!w) {
    if (buffer && maxCount > 0) buffer[0] = '\0';
    return 0;
  }
  return w->GetWindowText(buffer, maxCount);
}

BOOL IsWindowEnabled(HWND hWnd) {
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? w->IsWindowEnabled() : FALSE;
}

BOOL IsWindowVisible(HWND hWnd) {
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? w->IsWindowVisible() : FALSE;
}
