// User actions on dialogs: state change plus the notifications they send.
#include "framework/UserInput.h"

#include <algorithm>
#include <cctype>

#include "framework/Controls.h"
#include "framework/MessageQueue.h"
#include "framework/WindowState.h"

using fw::Window;

namespace {

// Runs the action on the window's thread and waits for it.
template <class F>
void OnOwner(HWND h, F&& f) {
  auto owner = fw::Read(h, std::thread::id(), [](const Window& w) { return w.owner; });
  if (owner == std::thread::id()) return;
  fw::RunOnThread(owner, std::forward<F>(f), true);
}

// A control the user can reach: it exists, and it and its parents are
// visible and enabled.
HWND Reachable(CWnd& dialog, int nID) {
  HWND h = fw::ChildHandle(dialog.m_hWnd, nID);
  std::lock_guard lock(fw::Lock());
  for (Window* w = fw::Find(h); w; w = w->topLevel ? nullptr : fw::Find(w->parent))
    if (!w->visible || !w->enabled) return nullptr;
  return h;
}

}  // namespace

namespace fw {

void UserChangeTab(HWND tab, int index) {
  int count = Read(tab, 0, [](const Window& w) { return static_cast<int>(w.tabs.size()); });
  if (index < 0 || index >= count) return;
  NMHDR changing{nullptr, 0, TCN_SELCHANGING};
  if (NotifyParent(tab, changing) != 0) return;
  Modify(tab, [&](Window& w) { w.curSel = index; });
  NMHDR change{nullptr, 0, TCN_SELCHANGE};
  NotifyParent(tab, change);
}

}  // namespace fw

void UserClick(CWnd& dialog, int nID) {
  HWND h = Reachable(dialog, nID);
  if (!h) return;
  OnOwner(h, [h] {
    std::vector<HWND> changed;
    {
      std::lock_guard lock(fw::Lock());
      Window* w = fw::Find(h);
      if (!w) return;
      if (w->kind == CtrlKind::CheckBox) {
        w->check = w->check ? 0 : 1;
        changed.push_back(h);
      } else if (w->kind == CtrlKind::RadioButton) {
        // The group: from the last CS_GROUP control at or before this one up
        // to the next CS_GROUP control.
        Window* d = fw::Find(w->parent);
        if (d) {
          auto& kids = d->children;
          auto self = std::find(kids.begin(), kids.end(), h);
          auto begin = self;
          while (begin != kids.begin()) {
            Window* c = fw::Find(*begin);
            if (c && (c->ctrlStyle & CS_GROUP)) break;
            --begin;
          }
          for (auto it = begin; it != kids.end(); ++it) {
            Window* c = fw::Find(*it);
            if (!c) continue;
            if (it != begin && (c->ctrlStyle & CS_GROUP)) break;
            if (c->kind == CtrlKind::RadioButton) {
              c->check = *it == h ? 1 : 0;
              changed.push_back(*it);
            }
          }
        }
      }
    }
    for (HWND c : changed) fw::NotifyChanged(c);
    fw::NotifyParentCommand(h, BN_CLICKED);
  });
}

void UserType(CWnd& dialog, int nID, TextArg text) {
  HWND h = Reachable(dialog, nID);
  if (!h) return;
  std::string typed = text.str();
  OnOwner(h, [h, typed]() mutable {
    bool changed = false;
    fw::Modify(h, [&](Window& w) {
      if (w.kind != CtrlKind::Edit || (w.ctrlStyle & CS_READONLY)) return;
      if (w.ctrlStyle & CS_NUMBER)
        std::erase_if(typed, [](char c) { return !std::isdigit(static_cast<unsigned char>(c)); });
      if (w.limitText && typed.size() > w.limitText) {
        // The limit counts bytes; a character cut in two is left out whole.
        size_t keep = w.limitText;
        while (keep > 0 && (static_cast<unsigned char>(typed[keep]) & 0xC0) == 0x80) --keep;
        typed.resize(keep);
      }
      changed = typed != w.text;
      w.text = typed;
    });
    if (changed) fw::NotifyParentCommand(h, EN_CHANGE);
  });
}

void UserSelect(CWnd& dialog, int nID, int index) {
  HWND h = Reachable(dialog, nID);
  if (!h) return;
  OnOwner(h, [h, index] {
    CtrlKind kind = CtrlKind::Static;
    bool ok = false;
    fw::Modify(h, [&](Window& w) {
      kind = w.kind;
      if (index < 0 || index >= static_cast<int>(w.items.size())) return;
      if (kind != CtrlKind::ComboList && kind != CtrlKind::ListBox) return;
      w.curSel = index;
      if (kind == CtrlKind::ComboList) w.text = w.items[static_cast<size_t>(index)];
      ok = true;
    });
    if (kind == CtrlKind::Tab) fw::UserChangeTab(h, index);
    if (!ok) return;
    fw::NotifyParentCommand(h, kind == CtrlKind::ComboList ? CBN_SELCHANGE : LBN_SELCHANGE);
  });
}

void UserClickTabAt(CWnd& dialog, int nID, POINT clientPoint) {
  HWND h = Reachable(dialog, nID);
  if (!h) return;
  OnOwner(h, [h, clientPoint] {
    POINT screen = clientPoint;
    int hit = -1;
    int cur = -1;
    {
      std::lock_guard lock(fw::Lock());
      Window* w = fw::Find(h);
      if (!w) return;
      POINT o = fw::ScreenOrigin(h);
      screen.x += o.x;
      screen.y += o.y;
      auto rects = fw::TabItemRects(*w);
      for (size_t i = 0; i < rects.size(); ++i)
        if (rects[i].PtInRect(clientPoint)) hit = static_cast<int>(i);
      cur = w->curSel;
    }
    fw::SetMessagePos(screen);
    if (hit < 0 || hit == cur) return;
    fw::UserChangeTab(h, hit);
  });
}

void UserClickTab(CWnd& dialog, int nID, int index) {
  HWND h = fw::ChildHandle(dialog.m_hWnd, nID);
  CRect r;
  {
    std::lock_guard lock(fw::Lock());
    Window* w = fw::Find(h);
    if (!w) return;
    auto rects = fw::TabItemRects(*w);
    if (index < 0 || index >= static_cast<int>(rects.size())) return;
    r = rects[static_cast<size_t>(index)];
  }
  UserClickTabAt(dialog, nID, r.CenterPoint());
}

void UserKey(CWnd& dialog, int nID, UINT vk) {
  HWND h = Reachable(dialog, nID);
  if (!h) return;
  OnOwner(h, [&dialog, h, vk] {
    MSG msg{h, WM_KEYDOWN, vk, 0, 0, {}};
    CWnd* top = dialog.GetTopLevelParent();
    if (top && top->PreTranslateMessage(&msg)) return;
    ::SendMessage(h, WM_KEYDOWN, vk, 0);
  });
}

void UserDialogKey(CWnd& dialog, UINT vk) {
  CWnd* top = dialog.GetTopLevelParent();
  if (!top) return;
  HWND h = top->m_hWnd;
  OnOwner(h, [top, h, vk] {
    MSG msg{h, WM_KEYDOWN, vk, 0, 0, {}};
    if (top->PreTranslateMessage(&msg)) return;
    ::SendMessage(h, WM_KEYDOWN, vk, 0);
  });
}

void UserSpin(CWnd& dialog, int nID, int delta) {
  HWND h = Reachable(dialog, nID);
  if (!h) return;
  OnOwner(h, [h, delta] {
    NMUPDOWN nm;
    nm.hdr.code = UDN_DELTAPOS;
    nm.iPos = fw::Read(h, 0, [](const Window& w) { return w.pos; });
    nm.iDelta = delta;
    if (fw::NotifyParent(h, nm.hdr) != 0) return;
    auto* spin = static_cast<CSpinButtonCtrl*>(CWnd::FromHandle(h));
    if (!spin) return;
    spin->SetPos(nm.iPos + nm.iDelta);
    HWND parent = fw::Read(h, HWND{}, [](const Window& w) { return w.parent; });
    ::SendMessage(parent, WM_VSCROLL,
                  MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(spin->GetPos())),
                  reinterpret_cast<LPARAM>(spin));
  });
}

void UserCloseBox(CWnd& dialog) {
  CWnd* top = dialog.GetTopLevelParent();
  if (!top) return;
  HWND h = top->m_hWnd;
  OnOwner(h, [h] { ::SendMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0); });
}

void UserSystemMenu(CWnd& dialog, UINT nID) {
  CWnd* top = dialog.GetTopLevelParent();
  if (!top) return;
  HWND h = top->m_hWnd;
  OnOwner(h, [h, nID] { ::SendMessage(h, WM_SYSCOMMAND, nID, 0); });
}
