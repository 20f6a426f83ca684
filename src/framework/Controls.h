// Control classes over the controls of a dialog. An object is bound to a
// control by DDX_Control (or Attach / SubclassDlgItem); its members read and
// set the control's state in the framework. The classes add no data of
// their own, so the object that GetDlgItem returns for a control of that
// kind can be used as one.
#pragma once

#include <string>
#include <vector>

#include "framework/Dialog.h"

enum : int { LB_ERR = -1, LB_ERRSPACE = -2, CB_ERR = -1, CB_ERRSPACE = -2 };
enum : int { BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2 };

class CStatic : public CWnd {
 public:
  HBITMAP SetBitmap(HBITMAP hBitmap);
  HBITMAP GetBitmap() const;
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const;
};

class CButton : public CWnd {
 public:
  void SetCheck(int nCheck);
  int GetCheck() const;
  UINT GetState() const;
  void SetState(BOOL bHighlight);
  HBITMAP SetBitmap(HBITMAP hBitmap);
  HICON SetIcon(HICON hIcon);
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
  UINT GetButtonStyle() const;
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
};

class CEdit : public CWnd {
 public:
  void SetLimitText(UINT nMax);
  void LimitText(int nChars = 0) { SetLimitText(static_cast<UINT>(nChars)); }
  UINT GetLimitText() const;
  void SetReadOnly(BOOL bReadOnly = TRUE);
  void SetSel(int nStart, int nEnd, BOOL bNoScroll = FALSE);
  void GetSel(int& nStart, int& nEnd) const;
  void ReplaceSel(TextArg text, BOOL bCanUndo = FALSE);
  int GetLineCount() const;
  void Clear() { SetWindowText(""); }
};

// Items with their data; selection -1 means none.
class CComboBox : public CWnd {
 public:
  // Appends, or inserts in order when the list is sorted (CS_SORT).
  int AddString(TextArg text);
  // Inserts at nIndex (-1: at the end); never sorts.
  int InsertString(int nIndex, TextArg text);
  int DeleteString(UINT nIndex);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int nSelect);  // CB_ERR when out of range (selection then none)
  int GetLBText(int nIndex, std::string& text) const;
  int GetLBText(int nIndex, LPTSTR buffer) const;
  int GetLBTextLen(int nIndex) const;
  int FindString(int nStartAfter, TextArg text) const;  // prefix, case-insensitive
  int FindStringExact(int nStartAfter, TextArg text) const;
  int SelectString(int nStartAfter, TextArg text);
  DWORD_PTR GetItemData(int nIndex) const;
  int SetItemData(int nIndex, DWORD_PTR data);
  void LimitText(int) {}
  void ShowDropDown(BOOL = TRUE) {}
  int SetDroppedWidth(UINT) { return 0; }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
};

// A list box. A derived list box (one keeping its horizontal extent) gives
// its own AddString, InsertString, DeleteString and ResetContent that call
// these and measure the texts with MeasureItemText.
class CListBox : public CWnd {
 public:
  int AddString(TextArg text);
  int InsertString(int nIndex, TextArg text);
  int DeleteString(UINT nIndex);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int nSelect);
  int GetText(int nIndex, std::string& text) const;
  int GetText(int nIndex, LPTSTR buffer) const;
  int GetTextLen(int nIndex) const;
  int FindString(int nStartAfter, TextArg text) const;
  int FindStringExact(int nStartAfter, TextArg text) const;
  DWORD_PTR GetItemData(int nIndex) const;
  int SetItemData(int nIndex, DWORD_PTR data);
  int GetTopIndex() const;
  int SetTopIndex(int nIndex);
  void SetHorizontalExtent(int cxExtent);
  int GetHorizontalExtent() const;
  // Width of text in pixels in this list box's font (view metrics when a
  // view exists, else the fixed measure).
  int MeasureItemText(TextArg text) const;
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
};

enum : UINT { PBS_SMOOTH = 1 };
class CProgressCtrl : public CWnd {
 public:
  void SetRange(short nLower, short nUpper);
  void SetRange32(int nLower, int nUpper);
  void GetRange(int& nLower, int& nUpper) const;
  int SetPos(int nPos);  // returns the previous position; clamps to the range
  int GetPos() const;
  int OffsetPos(int nPos);
  int SetStep(int nStep);
  int StepIt();
};

// An up-down control. Its buddy (the control before it in the template,
// CS_BUDDY) shows the position as text; the user's arrows send UDN_DELTAPOS
// to the parent, then set the position and the buddy text (which sends
// EN_CHANGE as typing does).
struct UDACCEL {
  UINT nSec;
  UINT nInc;
};
class CSpinButtonCtrl : public CWnd {
 public:
  void SetRange(short nLower, short nUpper);
  void SetRange32(int nLower, int nUpper);
  void GetRange(int& nLower, int& nUpper) const;
  void GetRange32(int& nLower, int& nUpper) const { GetRange(nLower, nUpper); }
  int SetPos(int nPos);
  int GetPos() const;
  int SetPos32(int nPos) { return SetPos(nPos); }
  int GetPos32() const { return GetPos(); }
  CWnd* SetBuddy(CWnd* pWndBuddy);
  CWnd* GetBuddy() const;
  BOOL SetAccel(int, UDACCEL*) { return TRUE; }
  int SetBase(int) { return 10; }
};

enum : UINT { TCIF_TEXT = 0x0001, TCIF_IMAGE = 0x0002, TCIF_PARAM = 0x0008, TCIF_STATE = 0x0010 };
struct TCITEM {
  UINT mask = 0;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  LPTSTR pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};
using TC_ITEM = TCITEM;
enum : UINT {
  TCHT_NOWHERE = 1,
  TCHT_ONITEMICON = 2,
  TCHT_ONITEMLABEL = 4,
  TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL
};
struct TCHITTESTINFO {
  POINT pt;
  UINT flags = 0;
};

// A tab control. Items have a text and an image index; the selection is
// -1 when there are no items. SetCurSel goes through the window procedure
// (TCM_SETCURSEL), so a derived control can redirect it; the user's clicks
// send TCN_SELCHANGING (reflected to the control first, then its parent; a
// non-zero result keeps the selection) and then TCN_SELCHANGE. Arrow keys
// arrive as WM_KEYDOWN at the window procedure. When the control's style
// has TCS_OWNERDRAWFIXED, the view asks DrawItem to paint each tab.
class CTabCtrl : public CWnd {
 public:
  LONG InsertItem(int nItem, TextArg text);
  LONG InsertItem(int nItem, TextArg text, int nImage);
  LONG InsertItem(int nItem, TCITEM* pItem);
  LONG InsertItem(UINT nMask, int nItem, TextArg text, int nImage, LPARAM lParam);
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  BOOL GetItem(int nItem, TCITEM* pItem) const;
  BOOL SetItem(int nItem, TCITEM* pItem);
  int GetCurSel() const;
  int SetCurSel(int nItem);
  int GetCurFocus() const { return GetCurSel(); }
  void SetCurFocus(int nItem) { SetCurSel(nItem); }
  BOOL GetItemRect(int nItem, LPRECT rect) const;
  int HitTest(TCHITTESTINFO* pHitTestInfo) const;
  CImageList* SetImageList(CImageList* pImageList);
  CImageList* GetImageList() const;
  void AdjustRect(BOOL bLarger, LPRECT rect) const;
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CScrollBar : public CWnd {};
