// What windows do with messages that no handler took.
#include "framework/Controls.h"
#include "framework/WindowState.h"

using fw::Window;

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM) {
  CtrlKind kind = CtrlKind::Static;
  bool isDialog = false;
  int curSel = -1;
  int count = 0;
  if (!fw::Read(m_hWnd, false, [&](const Window& w) {
        kind = w.kind;
        isDialog = w.isDialog;
        curSel = w.curSel;
        count = static_cast<int>(w.tabs.size());
        return true;
      }))
    return 0;

  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessage(WM_CLOSE);
      return 0;
    case WM_CLOSE:
      if (!isDialog) DestroyWindow();
      return 0;
    default:
      break;
  }
  if (isDialog) {
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
      SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (message == WM_KEYDOWN && wParam == VK_RETURN) {
      UINT def = fw::Read(m_hWnd, UINT{IDOK}, [](const Window& w) { return w.defId; });
      CWnd* button = GetDlgItem(static_cast<int>(def));
      // A disabled default button does nothing, as a click on it would.
      if (!button || button->IsWindowEnabled())
        SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(def), BN_CLICKED),
                    reinterpret_cast<LPARAM>(button ? button->m_hWnd : nullptr));
    }
    return 0;
  }
  if (kind == CtrlKind::Tab) {
    switch (message) {
      case TCM_GETCURSEL:
        return curSel;
      case TCM_SETCURSEL: {
        int n = static_cast<int>(wParam);
        if (n < 0 || n >= count) return -1;
        fw::Modify(m_hWnd, [&](Window& w) { w.curSel = n; });
        return curSel;
      }
      case WM_KEYDOWN:
        if (wParam == VK_RIGHT || wParam == VK_DOWN) {
          if (curSel + 1 < count) fw::UserChangeTab(m_hWnd, curSel + 1);
        } else if (wParam == VK_LEFT || wParam == VK_UP) {
          if (curSel > 0) fw::UserChangeTab(m_hWnd, curSel - 1);
        }
        return 0;
      default:
        break;
    }
  }
  return 0;
}
