// Internals of the Qt view: the widget tree that mirrors a dialog and the
// image cache.
#pragma once

#include <QImage>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "framework/BitmapRegistry.h"
#include "framework/WindowState.h"

namespace qtview {

// A copy of one window's state, taken under the framework lock.
struct Snapshot {
  HWND handle = nullptr;
  HWND parent = nullptr;
  bool isDialog = false;
  bool topLevel = false;
  int id = 0;
  CtrlKind kind = CtrlKind::Static;
  unsigned style = 0;
  DWORD addedStyle = 0;
  CRect rect;
  bool visible = false;
  bool enabled = true;
  std::string text;
  int check = 0;
  std::vector<std::string> items;
  int curSel = -1;
  int rangeMin = 0, rangeMax = 100, pos = 0;
  int hExtent = 0;
  COLORREF textColor = CLR_INVALID;
  UINT bitmapId = 0, iconId = 0;
  HICON bigIcon = nullptr;
  CFont font;
  UINT limitText = 0;
  std::vector<fw::TabItem> tabs;
  std::vector<CRect> tabRects;
  std::vector<MenuItem> sysMenu;
  std::vector<HWND> children;
  bool ownerDraw = false;
  bool modal = false;
  // Change tracking: an unchanged window carries only its relations; a list
  // that only grew carries only its new items.
  bool unchanged = false;
  bool itemsAppended = false;
  std::uint64_t version = 0;
  std::uint64_t itemsGen = 0;
  size_t itemCount = 0;
};

// What a widget tree last took over from a window.
struct Known {
  std::uint64_t version = 0;
  std::uint64_t itemsGen = 0;
  size_t itemCount = 0;
};

// The states of a window and all its descendants, parents first, against
// what the caller already knows of them.
std::vector<Snapshot> TakeSnapshots(HWND root, const std::map<HWND, Known>& known);

// Widgets mirroring one dialog (and its child pages).
class WidgetTree {
 public:
  // root: the widget standing for the dialog `dialog`.
  WidgetTree(HWND dialog, QWidget* root) : m_dialog(dialog), m_root(root) {}
  // Brings every widget in step with the framework; forceRootVisible shows
  // the root even when the dialog is hidden (snapshots).
  void Sync(bool forceRootVisible);
  HWND Dialog() const { return m_dialog; }
  QWidget* Root() const { return m_root; }

 private:
  QWidget* WidgetFor(const Snapshot& s, QWidget* parent);
  void Apply(const Snapshot& s, QWidget* w);
  HWND m_dialog;
  QWidget* m_root;
  std::map<HWND, QWidget*> m_widgets;
  std::map<HWND, Known> m_known;
};

// The artwork of a bitmap or icon resource (null image when none).
QImage LoadImage(ImageKind kind, UINT id);
// Font of a window at the framework's 96-dots-per-inch sizes.
QFont QtFont(const CFont& font);
// Windows' "&File" mnemonic marks removed ("&&" gives "&").
QString StripMnemonic(const std::string& text);
QColor ToQColor(COLORREF c);
// A chooser's filter ("Name (*.a)|*.a;*.b|...||") in Qt's form.
QString QtFileFilter(const std::string& filter);

}  // namespace qtview
