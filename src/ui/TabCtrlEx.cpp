#include "ui/TabCtrlEx.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Trace.h"

BEGIN_MESSAGE_MAP(CTabCtrlEx, CTabCtrl)
ON_NOTIFY_REFLECT(TCN_SELCHANGING, &CTabCtrlEx::OnSelchanging)
ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CTabCtrlEx::Install(CTabCtrl* pTab) {
  TRACE("Installing extended tab control\r\n");
  ASSERT(pTab != nullptr);
  if (!pTab) return FALSE;
  if (pTab != this) {
    HWND hWnd = pTab->m_hWnd;
    const DWORD style = pTab->GetStyle();
    pTab->Detach();
    if (!SubclassWindow(hWnd)) {
      TRACE("Failed to subclass tab control\r\n");
      pTab->Attach(hWnd);
      return FALSE;
    }
    ModifyStyle(0, style | TCS_OWNERDRAWFIXED);
  } else {
    ModifyStyle(0, TCS_OWNERDRAWFIXED);
  }
  return TRUE;
}

BOOL CTabCtrlEx::InstallInSheet(CPropertySheet* pSheet) {
  ASSERT(pSheet != nullptr);
  if (!pSheet) return FALSE;
  auto* tab = dynamic_cast<CTabCtrl*>(pSheet->GetTabControl());
  return tab ? Install(tab) : FALSE;
}

BOOL CTabCtrlEx::IsItemEnabled(int nItem, int* pnPos) const {
  if (nItem < 0 || nItem >= GetItemCount()) return FALSE;
  std::lock_guard lock(m_disabledMutex);
  auto it = std::find(m_arrDisabled.begin(), m_arrDisabled.end(), static_cast<DWORD>(nItem));
  if (it == m_arrDisabled.end()) return TRUE;
  if (pnPos) *pnPos = static_cast<int>(it - m_arrDisabled.begin());
  return FALSE;
}

BOOL CTabCtrlEx::EnableItem(int nItem, BOOL bEnable) {
  const int count = GetItemCount();
  if (nItem < 0 || nItem >= count) return FALSE;
  int pos = -1;
  const BOOL current = IsItemEnabled(nItem, &pos);
  if ((bEnable != FALSE) == (current != FALSE)) return TRUE;
  if (bEnable) {
    std::lock_guard lock(m_disabledMutex);
    auto it = std::find(m_arrDisabled.begin(), m_arrDisabled.end(), static_cast<DWORD>(nItem));
    if (it != m_arrDisabled.end()) m_arrDisabled.erase(it);
  } else {
    if (nItem == GetCurSel()) {
      const int start = nItem == count - 1 ? 0 : nItem + 1;
      const int next = FindNextEnabled(start, TRUE);
      if (next < 0 || next == nItem) return FALSE;
      SelectItem(next);
    }
    // Two threads disabling the same tab at once list it only once, so one
    // enable brings it back.
    std::lock_guard lock(m_disabledMutex);
    if (std::find(m_arrDisabled.begin(), m_arrDisabled.end(), static_cast<DWORD>(nItem)) ==
        m_arrDisabled.end())
      m_arrDisabled.push_back(static_cast<DWORD>(nItem));
  }
  CRect rect;
  if (GetItemRect(nItem, &rect)) InvalidateRect(&rect, TRUE);
  return TRUE;
}

int CTabCtrlEx::FindNextEnabled(int nStart, BOOL bForward) const {
  const int count = GetItemCount();
  if (count <= 0) return -1;
  // A start outside the tabs wraps like the arrow keys do.
  nStart = ((nStart % count) + count) % count;
  for (int step = 0; step < count; ++step) {
    const int i = bForward ? (nStart + step) % count : (nStart - step + count) % count;
    if (IsItemEnabled(i)) return i;
  }
  return -1;
}

void CTabCtrlEx::SelectItem(int nItem) {
  if (nItem < 0 || nItem >= GetItemCount()) return;
  if (!NotifyPageKillActive(-1)) return;
  SetCurSel(nItem);
  NMHDR nmhdr;
  nmhdr.hwndFrom = m_hWnd;
  nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
  nmhdr.code = TCN_SELCHANGE;
  m_nmhdr = nmhdr;
  if (CWnd* parent = GetParent())
    parent->SendMessage(WM_NOTIFY, nmhdr.idFrom, reinterpret_cast<LPARAM>(&nmhdr));
}

BOOL CTabCtrlEx::NotifyPageKillActive(int nPage) {
  auto* sheet = dynamic_cast<CPropertySheet*>(GetParent());
  if (!sheet) return TRUE;
  if (nPage == -1) nPage = sheet->GetActiveIndex();
  CWnd* page = sheet->GetActiveIndex() == nPage ? sheet->GetActivePage() : nullptr;
  if (!page) return TRUE;
  std::string title = page->GetWindowTextString();
  TRACE("Sending kill active message to property page #%d (%s)\r\n", nPage, title.c_str());
  NMHDR nmhdr;
  nmhdr.hwndFrom = sheet->m_hWnd;
  nmhdr.idFrom = static_cast<UINT_PTR>(sheet->GetDlgCtrlID());
  nmhdr.code = PSN_KILLACTIVE;
  m_nmhdr = nmhdr;
  return page->SendMessage(WM_NOTIFY, nmhdr.idFrom, reinterpret_cast<LPARAM>(&nmhdr)) == 0;
}

int CTabCtrlEx::SetItemImageIndex(int nItem, int image) {
  TCITEM item;
  item.mask = TCIF_IMAGE;
  item.iImage = image;
  if (!SetItem(nItem, &item)) {
    TRACE("Failed to set image for item %d\r\n", nItem);
    return -1;
  }
  return image;
}

int CTabCtrlEx::SetItemImage(int nItem, int nBitmapId, int nMaskId) {
  if (nItem < 0 || nItem >= GetItemCount()) return -1;
  CImageList* images = GetImageList();
  if (!images) {
    TRACE("No image list defined\r\n");
    return -1;
  }
  CBitmap bitmap;
  if (!bitmap.LoadBitmap(static_cast<UINT>(nBitmapId))) {
    TRACE("Failed to load bitmap\r\n");
    return -1;
  }
  if (nMaskId == -1) {
    TRACE("CTabCtrlEx::SetItemImage - No mask specified so using bitmap as mask\r\n");
    nMaskId = nBitmapId;
  }
  CBitmap mask;
  if (!mask.LoadBitmap(static_cast<UINT>(nMaskId))) {
    TRACE("Failed to load mask\r\n");
    bitmap.DeleteObject();
    return -1;
  }
  const int image = images->Add(&bitmap, &mask);
  bitmap.DeleteObject();
  mask.DeleteObject();
  if (image < 0) {
    TRACE("Failed to add bitmap and mask to image list for item %d\r\n", nItem);
    return -1;
  }
  return SetItemImageIndex(nItem, image);
}

int CTabCtrlEx::SetItemImage(int nItem, HICON hIcon) {
  if (nItem < 0 || nItem >= GetItemCount()) return -1;
  CImageList* images = GetImageList();
  if (!images) {
    TRACE("No image list defined\r\n");
    return -1;
  }
  const int image = images->Add(hIcon);
  if (image < 0) {
    TRACE("Failed to add icon to image list for item %d\r\n", nItem);
    return -1;
  }
  return SetItemImageIndex(nItem, image);
}

LRESULT CTabCtrlEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TCM_SETCURSEL) {
    const int target = static_cast<int>(wParam);
    const int count = GetItemCount();
    // Only a disabled tab inside the control is redirected; an index outside
    // it is refused by the control itself.
    if (target >= 0 && target < count && !IsItemEnabled(target)) {
      const int cur = GetCurSel();
      const int diff = target - cur;
      const int d = std::abs(diff);
      if (d == 1 || d == target || d == cur) {
        const BOOL forward = diff == 1 || diff < -1;
        const int next = FindNextEnabled(target, forward);
        if (next >= 0) {
          CTabCtrl::WindowProc(TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
          return 0;
        }
      }
      return -1;
    }
  } else if (message == WM_KEYDOWN) {
    const int cur = GetCurSel();
    const int last = GetItemCount() - 1;
    if (wParam == VK_RIGHT || wParam == VK_DOWN) {
      SelectItem(cur >= last ? 0 : cur + 1);
      return 0;
    }
    if (wParam == VK_LEFT || wParam == VK_UP) {
      SelectItem(cur <= 0 ? last : cur - 1);
      return 0;
    }
  }
  return CTabCtrl::WindowProc(message, wParam, lParam);
}

void CTabCtrlEx::OnSelchanging(NMHDR*, LRESULT* pResult) {
  const DWORD pos = GetMessagePos();
  TCHITTESTINFO hit;
  hit.pt.x = static_cast<short>(LOWORD(pos));
  hit.pt.y = static_cast<short>(HIWORD(pos));
  ScreenToClient(&hit.pt);
  const int item = HitTest(&hit);
  if (item < 0) {
    *pResult = 1;
    return;
  }
  *pResult = IsItemEnabled(item) && NotifyPageKillActive(-1) ? 0 : 1;
}

void CTabCtrlEx::OnDestroy() { CTabCtrl::OnDestroy(); }

void CTabCtrlEx::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (lpDrawItemStruct->CtlType != ODT_TAB) {
    TRACE("CTabCtrlEx::DrawItem() - Ignoring non-tab control\r\n");
    return;
  }
  const int item = static_cast<int>(lpDrawItemStruct->itemID);
  const BOOL enabled = IsItemEnabled(item);
  char text[256] = "";
  TCITEM info;
  info.mask = TCIF_TEXT | TCIF_IMAGE;
  info.pszText = text;
  info.cchTextMax = sizeof text - 1;
  if (!GetItem(item, &info)) {
    TRACE("Failed to get item %d\r\n", item);
    return;
  }
  CDC* dc = CDC::FromHandle(lpDrawItemStruct->hDC);
  if (!dc) return;
  const bool selected = (lpDrawItemStruct->itemState & ODS_SELECTED) != 0;
  CRect rect(lpDrawItemStruct->rcItem);
  if (selected) {
    rect.left += 7;
  } else {
    rect.left += 4;
    rect.top += 2;
  }
  dc->SetBkMode(TRANSPARENT);

  if (info.iImage >= 0) {
    CImageList* images = GetImageList();
    ASSERT(images != nullptr);
    if (images) {
      CPoint at(rect.left, rect.top + (selected ? 3 : 0));
      if (enabled) {
        images->Draw(dc, info.iImage, at, ILD_TRANSPARENT);
      } else {
        HICON icon = images->ExtractIcon(info.iImage);
        ASSERT(icon != nullptr);
        if (icon) {
          dc->DrawState(at, images->ImageSize(), icon, DST_ICON | DSS_DISABLED);
          DestroyIcon(icon);
        }
      }
      rect.left += images->ImageSize().cx + 2;
    }
  }

  const COLORREF old = dc->GetTextColor();
  const UINT format = DT_SINGLELINE | DT_VCENTER;
  if (enabled) {
    dc->SetTextColor(GetSysColor(COLOR_BTNTEXT));
    dc->DrawText(text, &rect, format);
  } else {
    CRect raised = rect;
    raised.OffsetRect(1, 1);
    dc->SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
    dc->DrawText(text, &raised, format);
    dc->SetTextColor(GetSysColor(COLOR_GRAYTEXT));
    dc->DrawText(text, &rect, format);
  }
  dc->SetTextColor(old);
}

void CTabCtrlEx::DrawItemText(CDC* pDC, CRect rect, const std::string& text, BOOL bDisabled) {
  if (!pDC) return;
  const UINT format = DT_CENTER | DT_VCENTER;
  if (bDisabled) {
    pDC->SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
    pDC->DrawText(text, &rect, format);
    rect.OffsetRect(-1, -1);
    pDC->SetTextColor(GetSysColor(COLOR_GRAYTEXT));
    pDC->DrawText(text, &rect, format);
    return;
  }
  pDC->SetTextColor(GetSysColor(COLOR_BTNTEXT));
  pDC->DrawText(text, &rect, format);
}
