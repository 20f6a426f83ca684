// Window messages, control notifications, virtual keys and the thread
// message queue (PeekMessage / DispatchMessage) of the dialog framework.
//
// Every window belongs to the thread that created it; its messages are
// queued to that thread. SendMessage on the owner thread calls the window
// at once. SendMessage from another thread queues the message and waits for
// the owner to process it; the owner processes such messages whenever it
// waits inside the framework: its modal loops, message boxes and choosers,
// PeekMessage/PumpMessages, CWinThread::Wait and AfxPumpWait. Setting control state (texts,
// checks, progress, enabling) never waits for the owner thread, so workers
// can update a page while the GUI thread is busy in a handler.
#pragma once

#include <functional>

#include "framework/Geometry.h"
#include "framework/WinDefs.h"

enum : UINT {
  WM_NULL = 0x0000,
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_ENABLE = 0x000A,
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_SHOWWINDOW = 0x0018,
  WM_ICONERASEBKGND = 0x0027,
  WM_DRAWITEM = 0x002B,
  WM_QUERYDRAGICON = 0x0037,
  WM_NOTIFY = 0x004E,
  WM_SETICON = 0x0080,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_INITDIALOG = 0x0110,
  WM_COMMAND = 0x0111,
  WM_SYSCOMMAND = 0x0112,
  WM_TIMER = 0x0113,
  WM_HSCROLL = 0x0114,
  WM_VSCROLL = 0x0115,
  WM_CTLCOLORSTATIC = 0x0138,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
};

// Command notifications (high word of WM_COMMAND's wParam).
enum : UINT {
  BN_CLICKED = 0,
  BN_DOUBLECLICKED = 5,
  EN_SETFOCUS = 0x0100,
  EN_KILLFOCUS = 0x0200,
  EN_CHANGE = 0x0300,
  EN_UPDATE = 0x0400,
  EN_MAXTEXT = 0x0501,
  CBN_SELCHANGE = 1,
  CBN_DBLCLK = 2,
  CBN_SETFOCUS = 3,
  CBN_KILLFOCUS = 4,
  CBN_EDITCHANGE = 5,
  CBN_DROPDOWN = 7,
  CBN_CLOSEUP = 8,
  CBN_SELENDOK = 9,
  LBN_SELCHANGE = 1,
  LBN_DBLCLK = 2,
  STN_CLICKED = 0,
};

// WM_NOTIFY codes.
constexpr UINT NM_FIRST = 0u;
constexpr UINT NM_CLICK = NM_FIRST - 2u;
constexpr UINT TCN_FIRST = 0u - 550u;
constexpr UINT TCN_KEYDOWN = TCN_FIRST - 0u;
constexpr UINT TCN_SELCHANGE = TCN_FIRST - 1u;
constexpr UINT TCN_SELCHANGING = TCN_FIRST - 2u;
constexpr UINT UDN_FIRST = 0u - 721u;
constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1u;
constexpr UINT PSN_FIRST = 0u - 200u;
constexpr UINT PSN_KILLACTIVE = PSN_FIRST - 1u;

// Tab-control messages that CTabCtrl routes through the window procedure so
// that a subclass (WindowProc override) can redirect them.
enum : UINT {
  TCM_FIRST = 0x1300,
  TCM_GETCURSEL = TCM_FIRST + 11,
  TCM_SETCURSEL = TCM_FIRST + 12,
};

// System commands (WM_SYSCOMMAND wParam).
enum : UINT {
  SC_SIZE = 0xF000,
  SC_MOVE = 0xF010,
  SC_MINIMIZE = 0xF020,
  SC_MAXIMIZE = 0xF030,
  SC_CLOSE = 0xF060,
  SC_RESTORE = 0xF120,
};

// Virtual keys.
enum : UINT {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
};

// Up-down scroll codes (WM_VSCROLL / WM_HSCROLL from an up-down control).
enum : UINT { SB_THUMBPOSITION = 4, SB_ENDSCROLL = 8 };

struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};
using LPNMHDR = NMHDR*;

struct NMUPDOWN {
  NMHDR hdr;
  int iPos = 0;
  int iDelta = 0;
};
using LPNMUPDOWN = NMUPDOWN*;
using NM_UPDOWN = NMUPDOWN;

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};
using LPMSG = MSG*;

enum : UINT { PM_NOREMOVE = 0, PM_REMOVE = 1 };

// Takes the next message of the calling thread's queue (posted messages,
// messages sent from other threads, due timers, input the view collected)
// without waiting. Sent messages are handled inside the call, as Windows
// does. FALSE when nothing is waiting.
BOOL PeekMessage(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);

// Dispatches everything waiting in the calling thread's queue and returns
// when it is empty (never blocks, does not look for WM_QUIT).
void AfxPumpMessages();

// Waits until pred() holds or timeoutMs passes, handling the calling
// thread's messages meanwhile. TRUE when pred() held.
BOOL AfxPumpWait(const std::function<bool()>& pred, DWORD timeoutMs);

// Makes the platform Sleep answer messages sent from other threads (and
// calls marshalled to it, such as a worker's message box) while a thread
// that owns windows sleeps, so a GUI handler waiting for a worker in a
// sleep loop cannot lock up with it. Other threads sleep as before.
// AfxWinMain and the Qt view install it.
void AfxInstallPumpingSleep();

// Screen position of the mouse for the message being handled (the click
// that caused a notification), packed as MAKELONG(x, y).
DWORD GetMessagePos();

// Messages to a window by handle (the window need not have an object).
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
BOOL IsWindow(HWND hWnd);
// Whether timer `id` of the window is running (tests fire it at once
// instead of waiting for it: see tests/support/ScriptedUi.h).
BOOL IsTimerSet(HWND hWnd, UINT_PTR id);
