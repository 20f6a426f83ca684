#include "framework/Menu.h"

#include "framework/WindowState.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, TextArg text) {
  return fw::Modify(m_owner,
                    [&](fw::Window& w) {
                      w.sysMenu.push_back(MenuItem{nFlags, nIDNewItem, text.str()});
                    })
             ? TRUE
             : FALSE;
}

UINT CMenu::GetMenuItemCount() const {
  return fw::Read(m_owner, 0u,
                  [](const fw::Window& w) { return static_cast<UINT>(w.sysMenu.size()); });
}

UINT CMenu::GetMenuItemID(int pos) const {
  return fw::Read(m_owner, UINT(-1), [&](const fw::Window& w) {
    if (pos < 0 || pos >= static_cast<int>(w.sysMenu.size())) return UINT(-1);
    const MenuItem& m = w.sysMenu[static_cast<size_t>(pos)];
    return (m.flags & MF_SEPARATOR) ? 0u : static_cast<UINT>(m.id);
  });
}

int CMenu::GetMenuString(UINT id, std::string& text, UINT flags) const {
  text.clear();
  return fw::Read(m_owner, 0, [&](const fw::Window& w) {
    for (size_t i = 0; i < w.sysMenu.size(); ++i) {
      const MenuItem& m = w.sysMenu[i];
      if ((flags & MF_BYPOSITION) ? i == id : (m.id == id && !(m.flags & MF_SEPARATOR))) {
        text = m.text;
        return static_cast<int>(text.size());
      }
    }
    return 0;
  });
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags) {
  BOOL ok = FALSE;
  fw::Modify(m_owner, [&](fw::Window& w) {
    for (size_t i = 0; i < w.sysMenu.size(); ++i) {
      if ((flags & MF_BYPOSITION) ? i == position : w.sysMenu[i].id == position) {
        w.sysMenu.erase(w.sysMenu.begin() + static_cast<long>(i));
        ok = TRUE;
        return;
      }
    }
  });
  return ok;
}
