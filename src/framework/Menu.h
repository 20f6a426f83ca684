// The system menu of a dialog: the items the program appends (the "About"
// entry) with their command ids. The view shows them in the window's
// context menu; choosing one sends WM_SYSCOMMAND with the id.
#pragma once

#include <string>

#include "framework/WinDefs.h"

enum : UINT {
  MF_STRING = 0x0000,
  MF_GRAYED = 0x0001,
  MF_DISABLED = 0x0002,
  MF_SEPARATOR = 0x0800,
  MF_BYCOMMAND = 0x0000,
  MF_BYPOSITION = 0x0400
};

struct MenuItem {
  UINT flags;
  UINT_PTR id;
  std::string text;
};

class CMenu {
 public:
  explicit CMenu(HWND owner = nullptr) : m_owner(owner) {}
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, TextArg text = {});
  UINT GetMenuItemCount() const;
  UINT GetMenuItemID(int pos) const;
  int GetMenuString(UINT id, std::string& text, UINT flags) const;
  BOOL DeleteMenu(UINT position, UINT flags);

 private:
  HWND m_owner;
};
