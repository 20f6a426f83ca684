// Dialog templates: the controls of a dialog with their ids, kinds,
// positions and sizes in dialog units, as the resource files give them.
#pragma once

#include <vector>

#include "platform/WinTypes.h"

enum class CtrlKind {
  Static,  // text
  Bitmap,  // static showing bitmap `resource`
  Icon,    // static showing icon `resource`
  GroupBox,
  Button,  // push button
  CheckBox,
  RadioButton,
  Edit,
  ComboList,  // drop-down list
  ListBox,
  Progress,
  UpDown,  // up-down control, buddy of the previous control when CS_BUDDY
  Tab,
};

// Style bits of a control template.
enum : unsigned {
  CS_VISIBLE = 1u << 0,
  CS_DISABLED = 1u << 1,
  CS_DEFAULT = 1u << 2,    // default push button
  CS_MULTILINE = 1u << 3,  // multi-line button or edit
  CS_FLAT = 1u << 4,
  CS_READONLY = 1u << 5,
  CS_SORT = 1u << 6,    // sorted combo or list
  CS_CENTER = 1u << 7,  // centred static text
  CS_RIGHT = 1u << 8,   // right-aligned static text
  CS_BUDDY = 1u << 9,   // up-down attaches to the previous control
  CS_HSCROLL = 1u << 10,
  CS_VSCROLL = 1u << 11,
  CS_BORDER = 1u << 12,
  CS_NUMBER = 1u << 13,  // edit accepting digits only
  CS_PASSWORD = 1u << 14,
  CS_AUTORADIO = 1u << 15,  // first of a radio group when combined with CS_GROUP
  CS_GROUP = 1u << 16,
  CS_SUNKEN = 1u << 17,
  CS_OWNERDRAW = 1u << 18,   // owner-drawn tab control or button
  CS_AUTOCHECK = 1u << 19,   // check box / radio button toggled by the click (default for both)
  CS_NOTIFY = 1u << 20,      // static sending STN_CLICKED
  CS_WANTRETURN = 1u << 21,  // multi-line edit taking Enter
};

// Style bits of a dialog template. 0 means: a popup with caption and system
// menu when the caption is not empty, else a hidden child page.
enum : unsigned {
  DLG_CHILD = 1u << 0,    // child window (a page)
  DLG_VISIBLE = 1u << 1,  // created visible
  DLG_SYSMENU = 1u << 2,  // system menu (and the close box)
  DLG_MINIMIZEBOX = 1u << 3,
  DLG_POPUP = 1u << 4,  // explicit popup (e.g. without caption)
};

struct ControlTemplate {
  int id;
  CtrlKind kind;
  int x, y, cx, cy;  // dialog units
  unsigned style;
  const char* text;  // template text (UTF-8), may be "" or nullptr
  int resource = 0;  // bitmap or icon id for Bitmap / Icon statics
};

struct DialogTemplate {
  int id;
  int cx, cy;            // dialog units
  const char* fontName;  // e.g. "MS Sans Serif"
  int fontPointSize;     // e.g. 8
  const char* caption;   // "" for child pages
  std::vector<ControlTemplate> controls;
  unsigned style = 0;  // DLG_* bits
};

// A string-table entry in both languages of the program.
struct StringEntry {
  UINT id;
  const char* en;  // English (UTF-8)
  const char* zh;  // Traditional Chinese (UTF-8)
};
