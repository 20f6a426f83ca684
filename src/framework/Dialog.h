// Windows and dialogs. A CWnd is the program's object for a window; the
// window itself (its state: text, enabled, visible, check, items,
// selection, range and position, colour, bitmap, font...) lives in the
// framework under one lock, so handlers, workers and tests read and set it
// from any thread, with or without a view on screen. A view (the Qt one)
// renders the state and feeds user input back as notifications.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Debug.h"
#include "framework/DialogTemplate.h"
#include "framework/Gdi.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/MessageMap.h"
#include "framework/Messages.h"
#include "framework/Strings.h"

enum : int {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_SHOWMAXIMIZED = 3,
  SW_SHOWNOACTIVATE = 4,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_SHOWNA = 8,
  SW_RESTORE = 9,
};

enum : UINT {
  SWP_NOSIZE = 0x0001,
  SWP_NOMOVE = 0x0002,
  SWP_NOZORDER = 0x0004,
  SWP_NOREDRAW = 0x0008,
  SWP_NOACTIVATE = 0x0010,
  SWP_SHOWWINDOW = 0x0040,
  SWP_HIDEWINDOW = 0x0080,
};

// Window style bits as GetStyle reports them.
enum : DWORD {
  WS_TABSTOP = 0x00010000,
  WS_GROUP = 0x00020000,
  WS_SYSMENU = 0x00080000,
  WS_BORDER = 0x00800000,
  WS_CAPTION = 0x00C00000,
  WS_DISABLED = 0x08000000,
  WS_VISIBLE = 0x10000000,
  WS_CHILD = 0x40000000,
  WS_POPUP = 0x80000000,
  TCS_OWNERDRAWFIXED = 0x2000,
};

enum : UINT {
  RDW_INVALIDATE = 0x0001,
  RDW_UPDATENOW = 0x0100,
  RDW_ERASE = 0x0004,
  RDW_ALLCHILDREN = 0x0080
};

class CWnd;
class CDialog;
class CDataExchange;
class CTabCtrl;

// A timer callback as SetTimer takes it (unused by the program: timers
// arrive as WM_TIMER / OnTimer).
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The object attached to a window: the permanent object (a dialog, or a
  // control bound with DDX_Control / SubclassDlgItem), else a framework-owned
  // object of the control's class (CButton for buttons, CComboBox for
  // drop-down lists...). nullptr for no or a destroyed window.
  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd);

  // Binding an object to an existing window (what DDX_Control does).
  BOOL Attach(HWND hWnd);
  HWND Detach();
  BOOL SubclassWindow(HWND hWnd) { return Attach(hWnd); }
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow() { return Detach(); }
  virtual BOOL DestroyWindow();

  // Children and parents.
  CWnd* GetDlgItem(int nID) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  CWnd* GetOwner() const { return GetParent(); }
  CWnd* GetTopLevelParent() const;
  CWnd* SetParent(CWnd* pWndNewParent);

  // Texts.
  void SetWindowText(TextArg text);
  int GetWindowText(std::string& text) const;
  int GetWindowText(LPTSTR buffer, int maxCount) const;
  std::string GetWindowTextString() const;
  int GetWindowTextLength() const;
  void SetDlgItemText(int nID, TextArg text);
  int GetDlgItemText(int nID, std::string& text) const;
  int GetDlgItemText(int nID, LPTSTR buffer, int maxCount) const;
  void SetDlgItemInt(int nID, UINT value, BOOL bSigned = TRUE);
  UINT GetDlgItemInt(int nID, BOOL* pTranslated = nullptr, BOOL bSigned = TRUE) const;
  // Loads string `stringId` into the control's text (the LoadControlTexts
  // pattern of the pages).
  void SetDlgItemTextRes(int nID, UINT stringId);

  // Buttons by id.
  void CheckDlgButton(int nID, UINT nCheck);
  UINT IsDlgButtonChecked(int nID) const;
  void CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck);
  int GetCheckedRadioButton(int nIDFirst, int nIDLast) const;

  // State.
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;  // visible itself and all its parents
  BOOL IsVisibleFlag() const;    // its own visible flag only
  void UpdateWindow();
  void Invalidate(BOOL bErase = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL bErase = TRUE);
  BOOL RedrawWindow(LPCRECT rect = nullptr, void* rgn = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  DWORD GetStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  CWnd* SetFocus();
  static CWnd* GetFocus();

  // Text colour and font (a colour of -1 means the default colour).
  void SetTextColor(COLORREF color);
  void ResetTextColor();
  COLORREF GetTextColor() const;  // CLR_INVALID when the default
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  HICON GetIcon(BOOL bBigIcon) const;

  // Geometry in pixels; child positions relative to the parent's client
  // area, top-level windows on the screen. The client area of a dialog is
  // its whole area (the view draws the frame outside it).
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT rect, BOOL bRepaint = TRUE);
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  void GetWindowRect(LPRECT rect) const;
  void GetClientRect(LPRECT rect) const;
  void ScreenToClient(LPPOINT pt) const;
  void ScreenToClient(LPRECT rect) const;
  void ClientToScreen(LPPOINT pt) const;
  void ClientToScreen(LPRECT rect) const;
  static const CWnd wndTop;
  static const CWnd wndBottom;

  // Messages (see Messages.h for the threading rules).
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);

  int MessageBox(TextArg text, TextArg caption = {}, UINT nType = MB_OK);
  CMenu* GetSystemMenu(BOOL bRevert);

  // Handlers bound at run time, next to the message map; they are tried
  // before the map. (Useful for tests and small dialogs.)
  void BindCommand(UINT nID, UINT nCode, std::function<void()> handler);
  void BindNotify(UINT nID, UINT nCode, std::function<void(NMHDR*, LRESULT*)> handler);
  void BindMessage(UINT message, std::function<LRESULT(WPARAM, LPARAM)> handler);

  // The window procedure: message map, then DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual void PostNcDestroy() {}
  LRESULT Default();

  // Handlers that message-map entries call; the defaults do what the
  // window would do without a handler.
  void OnTimer(UINT_PTR nIDEvent);
  void OnClose();
  void OnDestroy();
  void OnPaint();
  void OnSysCommand(UINT nID, LPARAM lParam);
  HCURSOR OnQueryDragIcon();
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  void OnShowWindow(BOOL bShow, UINT nStatus);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);

  BOOL IsIconic() const { return FALSE; }

  struct RuntimeHandlers;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;
  // Runs the message-map entries matching the message; TRUE when one ran.
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

 private:
  friend class CDialog;
  std::shared_ptr<RuntimeHandlers> m_runtime;
};

// Calls on a window by handle, for code that holds handles.
HWND GetDlgItem(HWND hDlg, int nID);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL SetWindowText(HWND hWnd, TextArg text);
int GetWindowText(HWND hWnd, LPTSTR buffer, int maxCount);
BOOL IsWindowEnabled(HWND hWnd);
BOOL IsWindowVisible(HWND hWnd);

// The style of a window by handle (GWL_STYLE only).
constexpr int GWL_STYLE = -16;
LONG GetWindowLong(HWND hWnd, int nIndex);
LONG SetWindowLong(HWND hWnd, int nIndex, LONG value);

// Data exchange between a dialog's members and its controls.
class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;  // TRUE: controls -> members
  CWnd* m_pDlgWnd;
  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC) { return PrepareCtrl(nIDC); }
  [[noreturn]] void Fail();
  int m_idLastControl = 0;
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Index of the checked button in the radio group starting at nIDC (the
// group runs up to the next control with CS_GROUP); -1 when none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_CBString(CDataExchange* pDX, int nIDC, std::string& value);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBString(CDataExchange* pDX, int nIDC, std::string& value);
// Limits the edit to nChars when loading; refuses longer text when saving.
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int nChars);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);

// A dialog from a template of src/res. Modal (DoModal) or modeless
// (Create, also as a child page hosted in a tab control).
class CDialog : public CWnd {
 public:
  CDialog() = default;
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
      : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
  ~CDialog() override;

  // Creates the dialog window and its controls, runs OnInitDialog. Child
  // templates (WS_CHILD) are placed at (0, 0) of pParentWnd's client area.
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  // Creates the window, runs OnInitDialog, shows it and runs the message
  // loop until EndDialog; destroys the window and returns the result
  // (-1 when the template is missing).
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);
  BOOL IsModalEnded() const;

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* pDX);
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  // Dialog units -> pixels in the template's font.
  void MapDialogRect(LPRECT rect) const;
  void SetDefID(UINT nID);
  DWORD GetDefID() const;
  void NextDlgCtrl() const {}
  void GotoDlgCtrl(CWnd* pWndCtrl);

  // Loads a string of the string table.
  static std::string LoadString(UINT id) { return LoadResString(id); }

  UINT m_nIDTemplate = 0;
  UINT m_nIDHelp = 0;
  CWnd* m_pParentWnd = nullptr;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  BOOL CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool modal);
  std::atomic<int> m_nModalResult = 0;
  std::atomic<bool> m_bModalEnded = false;
  std::atomic<bool> m_bModal = false;
};

// The standard property sheet does not exist here; the type is named so
// that code asking "is my parent a property sheet" compiles and says no.
class CPropertySheet : public CWnd {
 public:
  CWnd* GetActivePage() const { return nullptr; }
  int GetActiveIndex() const { return -1; }
  CTabCtrl* GetTabControl() const { return nullptr; }
};
