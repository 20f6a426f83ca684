// Message maps: tables binding (message, notification, control id) to
// member handlers, written with the familiar macros:
//
//   // in the class:    DECLARE_MESSAGE_MAP()
//   BEGIN_MESSAGE_MAP(CPageX, CDialog)
//     ON_BN_CLICKED(IDC_CONNECT, &CPageX::OnConnect)
//     ON_CBN_SELCHANGE(IDC_PORT, &CPageX::OnSelchangePort)
//     ON_NOTIFY(TCN_SELCHANGE, IDC_TAB, &CPageX::OnSelchangeTab)
//     ON_MESSAGE(WM_PAGE_COMMAND, &CPageX::OnPageCommand)
//     ON_WM_TIMER()
//   END_MESSAGE_MAP()
//
// Handlers are given as member pointers (&Class::Handler). Each entry holds
// a small function that calls the member with the message's arguments, so
// a handler of the wrong signature fails to compile.
#pragma once

#include "framework/Messages.h"

class CCmdTarget;
class CWnd;
class CDC;
class CScrollBar;

// The arguments of the message being dispatched to an entry.
struct AfxMsgCall {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT* pResult;  // result slot for WM_NOTIFY handlers
};

using AFX_PMSGFN = LRESULT (*)(CCmdTarget* target, AfxMsgCall& call);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND, WM_NOTIFY, WM_TIMER...; 0 ends the table
  UINT nCode;     // notification code for WM_COMMAND / WM_NOTIFY
  UINT nID;       // first control id (0 for window messages)
  UINT nLastID;   // last control id of a range
  int nKind;      // AfxEntryKind
  AFX_PMSGFN pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

enum AfxEntryKind : int {
  AfxKind_end = 0,
  AfxKind_command,        // WM_COMMAND with code and id (range)
  AfxKind_notify,         // WM_NOTIFY with code and id (range), from the parent
  AfxKind_reflectNotify,  // WM_NOTIFY reflected to the control itself
  AfxKind_message,        // any window message
};

// The root of every message-map chain.
class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }

  // IsKindOf(RUNTIME_CLASS(CPropertySheet)): whether the object is of that
  // class or derived from it.
  template <class T>
  BOOL IsKindOf(const T*) const {
    return dynamic_cast<const T*>(this) != nullptr ? TRUE : FALSE;
  }

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
};

#define RUNTIME_CLASS(theClass) (static_cast<const theClass*>(nullptr))

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass = theClass;                                                     \
    using TheBaseClass = baseClass;                                                 \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                       \
  { 0, 0, 0, 0, AfxKind_end, nullptr }                                                          \
  }                                                                                             \
  ;                                                                                             \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                           \
  }

#define AFX_THIS(target) static_cast<ThisClass*>(static_cast<CWnd*>(target))

// WM_COMMAND notifications from controls: void Handler().
#define ON_CONTROL(code, id, memberFxn)        \
  {WM_COMMAND,                                 \
   static_cast<UINT>(code),                    \
   static_cast<UINT>(id),                      \
   static_cast<UINT>(id),                      \
   AfxKind_command,                            \
   [](CCmdTarget* t, AfxMsgCall&) -> LRESULT { \
     (AFX_THIS(t)->*(memberFxn))();            \
     return 0;                                 \
   }},
// A range of controls: void Handler(UINT id).
#define ON_CONTROL_RANGE(code, id, idLast, memberFxn)                  \
  {WM_COMMAND,                                                         \
   static_cast<UINT>(code),                                            \
   static_cast<UINT>(id),                                              \
   static_cast<UINT>(idLast),                                          \
   AfxKind_command,                                                    \
   [](CCmdTarget* t, AfxMsgCall& c) -> LRESULT {                       \
     (AFX_THIS(t)->*(memberFxn))(static_cast<UINT>(LOWORD(c.wParam))); \
     return 0;                                                         \
   }},
#define ON_COMMAND(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)

// WM_NOTIFY from a child control: void Handler(NMHDR*, LRESULT*).
#define ON_NOTIFY(code, id, memberFxn)                                           \
  {WM_NOTIFY,                                                                    \
   static_cast<UINT>(code),                                                      \
   static_cast<UINT>(id),                                                        \
   static_cast<UINT>(id),                                                        \
   AfxKind_notify,                                                               \
   [](CCmdTarget* t, AfxMsgCall& c) -> LRESULT {                                 \
     (AFX_THIS(t)->*(memberFxn))(reinterpret_cast<NMHDR*>(c.lParam), c.pResult); \
     return 0;                                                                   \
   }},
// WM_NOTIFY reflected to the control that sent it: void Handler(NMHDR*, LRESULT*).
// A reflected handler takes the notification; the parent does not see it.
#define ON_NOTIFY_REFLECT(code, memberFxn)                                       \
  {WM_NOTIFY,                                                                    \
   static_cast<UINT>(code),                                                      \
   0,                                                                            \
   0,                                                                            \
   AfxKind_reflectNotify,                                                        \
   [](CCmdTarget* t, AfxMsgCall& c) -> LRESULT {                                 \
     (AFX_THIS(t)->*(memberFxn))(reinterpret_cast<NMHDR*>(c.lParam), c.pResult); \
     return 0;                                                                   \
   }},

// Any message: LRESULT Handler(WPARAM, LPARAM) (custom WM_USER+n messages).
#define ON_MESSAGE(message, memberFxn)                       \
  {static_cast<UINT>(message),                               \
   0,                                                        \
   0,                                                        \
   0,                                                        \
   AfxKind_message,                                          \
   [](CCmdTarget* t, AfxMsgCall& c) -> LRESULT {             \
     return (AFX_THIS(t)->*(memberFxn))(c.wParam, c.lParam); \
   }},

// Window messages with their usual handlers.
#define AFX_WM_ENTRY(message, call)                                                 \
  {message, 0, 0, 0, AfxKind_message, [](CCmdTarget* t, AfxMsgCall& c) -> LRESULT { \
     (void)c;                                                                       \
     auto* self = AFX_THIS(t);                                                      \
     call;                                                                          \
   }},
#define ON_WM_TIMER() \
  AFX_WM_ENTRY(WM_TIMER, self->OnTimer(static_cast<UINT_PTR>(c.wParam)); return 0)
#define ON_WM_CLOSE() AFX_WM_ENTRY(WM_CLOSE, self->OnClose(); return 0)
#define ON_WM_DESTROY() AFX_WM_ENTRY(WM_DESTROY, self->OnDestroy(); return 0)
#define ON_WM_PAINT() AFX_WM_ENTRY(WM_PAINT, self->OnPaint(); return 0)
#define ON_WM_SYSCOMMAND() \
  AFX_WM_ENTRY(WM_SYSCOMMAND, self->OnSysCommand(static_cast<UINT>(c.wParam), c.lParam); return 0)
#define ON_WM_QUERYDRAGICON() \
  AFX_WM_ENTRY(WM_QUERYDRAGICON, return reinterpret_cast<LRESULT>(self->OnQueryDragIcon()))
#define ON_WM_CTLCOLOR()                                                                  \
  AFX_WM_ENTRY(WM_CTLCOLORSTATIC, auto* a = reinterpret_cast<AfxCtlColorArgs*>(c.lParam); \
               return reinterpret_cast<LRESULT>(self->OnCtlColor(a->pDC, a->pWnd, a->nCtlColor)))
#define ON_WM_SHOWWINDOW() \
  AFX_WM_ENTRY(WM_SHOWWINDOW, self->OnShowWindow(static_cast<BOOL>(c.wParam), 0); return 0)
#define ON_WM_KEYDOWN() \
  AFX_WM_ENTRY(WM_KEYDOWN, self->OnKeyDown(static_cast<UINT>(c.wParam), 1, 0); return 0)
#define ON_WM_HSCROLL()                                                              \
  AFX_WM_ENTRY(WM_HSCROLL, self->OnHScroll(LOWORD(c.wParam), HIWORD(c.wParam),       \
                                           reinterpret_cast<CScrollBar*>(c.lParam)); \
               return 0)
#define ON_WM_VSCROLL()                                                              \
  AFX_WM_ENTRY(WM_VSCROLL, self->OnVScroll(LOWORD(c.wParam), HIWORD(c.wParam),       \
                                           reinterpret_cast<CScrollBar*>(c.lParam)); \
               return 0)

// WM_CTLCOLOR* arguments packed for the OnCtlColor handler.
struct AfxCtlColorArgs {
  CDC* pDC;
  CWnd* pWnd;
  UINT nCtlColor;
};
enum : UINT {
  CTLCOLOR_EDIT = 1,
  CTLCOLOR_LISTBOX = 2,
  CTLCOLOR_BTN = 3,
  CTLCOLOR_DLG = 4,
  CTLCOLOR_STATIC = 6
};
