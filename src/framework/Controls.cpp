// Control classes: members over the control's state.
#include "framework/Controls.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "framework/ViewHooks.h"
#include "framework/WindowState.h"

using fw::Window;

namespace {

bool IEquals(const std::string& a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.data(), b.size()) == 0;
}
bool IStartsWith(const std::string& a, std::string_view b) {
  return a.size() >= b.size() && strncasecmp(a.c_str(), b.data(), b.size()) == 0;
}

// Search from after `start` around the list, as the list controls do.
template <class Pred>
int FindItem(const std::vector<std::string>& items, int start, Pred pred) {
  int n = static_cast<int>(items.size());
  if (n == 0) return -1;
  int first = (start < 0 || start >= n) ? 0 : start + 1;
  for (int k = 0; k < n; ++k) {
    int i = (first + k) % n;
    if (pred(items[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

// Inserts an item; index -1 appends, `sorted` places it in order.
int InsertItem(Window& w, int index, const std::string& text, bool sorted) {
  int n = static_cast<int>(w.items.size());
  if (sorted) {
    index = n;
    for (int i = 0; i < n; ++i)
      if (strcasecmp(text.c_str(), w.items[static_cast<size_t>(i)].c_str()) < 0) {
        index = i;
        break;
      }
  }
  if (index < 0) index = n;
  if (index > n) return -1;
  if (index < n) ++w.itemsGen;
  w.items.insert(w.items.begin() + index, text);
  w.itemData.insert(w.itemData.begin() + index, 0);
  if (w.curSel >= index) ++w.curSel;
  return index;
}

int DeleteItem(Window& w, int index, bool comboText) {
  int n = static_cast<int>(w.items.size());
  if (index < 0 || index >= n) return -1;
  ++w.itemsGen;
  w.items.erase(w.items.begin() + index);
  w.itemData.erase(w.itemData.begin() + index);
  if (w.curSel == index) {
    w.curSel = -1;
    if (comboText) w.text.clear();
  } else if (w.curSel > index) {
    --w.curSel;
  }
  return n - 1;
}

int ClampToRange(const Window& w, int pos) {
  int lo = std::min(w.rangeMin, w.rangeMax), hi = std::max(w.rangeMin, w.rangeMax);
  return std::clamp(pos, lo, hi);
}

}  // namespace

// ---- CStatic ----

HBITMAP CStatic::SetBitmap(HBITMAP hBitmap) {
  UINT old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.bitmapId;
    w.bitmapId = CBitmap::ResourceId(hBitmap);
  });
  return CBitmap::FromResourceId(old);
}

HBITMAP CStatic::GetBitmap() const {
  return CBitmap::FromResourceId(fw::Read(m_hWnd, 0u, [](const Window& w) { return w.bitmapId; }));
}

HICON CStatic::SetIcon(HICON hIcon) {
  UINT old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.iconId;
    w.iconId = IconResourceId(hIcon);
  });
  return AfxLoadIconResource(old);
}

HICON CStatic::GetIcon() const {
  return AfxLoadIconResource(fw::Read(m_hWnd, 0u, [](const Window& w) { return w.iconId; }));
}

// ---- CButton ----

void CButton::SetCheck(int nCheck) {
  fw::Modify(m_hWnd, [&](Window& w) { w.check = nCheck; });
}
int CButton::GetCheck() const {
  return fw::Read(m_hWnd, 0, [](const Window& w) { return w.check; });
}
UINT CButton::GetState() const { return static_cast<UINT>(GetCheck()) & 3u; }
void CButton::SetState(BOOL) {}
HBITMAP CButton::SetBitmap(HBITMAP hBitmap) {
  UINT old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.bitmapId;
    w.bitmapId = CBitmap::ResourceId(hBitmap);
  });
  return CBitmap::FromResourceId(old);
}
HICON CButton::SetIcon(HICON hIcon) {
  UINT old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.iconId;
    w.iconId = IconResourceId(hIcon);
  });
  return AfxLoadIconResource(old);
}
void CButton::SetButtonStyle(UINT nStyle, BOOL) {
  fw::Modify(m_hWnd, [&](Window& w) { w.addedStyle = (w.addedStyle & ~0xFu) | (nStyle & 0xFu); });
}
UINT CButton::GetButtonStyle() const {
  return fw::Read(m_hWnd, 0u,
                  [](const Window& w) { return static_cast<UINT>(w.addedStyle & 0xFu); });
}

// ---- CEdit ----

void CEdit::SetLimitText(UINT nMax) {
  fw::Modify(m_hWnd, [&](Window& w) { w.limitText = nMax; });
}
UINT CEdit::GetLimitText() const {
  return fw::Read(m_hWnd, 0u, [](const Window& w) { return w.limitText ? w.limitText : 30000u; });
}
void CEdit::SetReadOnly(BOOL bReadOnly) {
  fw::Modify(m_hWnd, [&](Window& w) {
    if (bReadOnly)
      w.ctrlStyle |= CS_READONLY;
    else
      w.ctrlStyle &= ~CS_READONLY;
  });
}
void CEdit::SetSel(int, int, BOOL) {}
void CEdit::GetSel(int& nStart, int& nEnd) const { nStart = nEnd = GetWindowTextLength(); }
void CEdit::ReplaceSel(TextArg text, BOOL) { SetWindowText(GetWindowTextString() + text.str()); }
int CEdit::GetLineCount() const {
  std::string t = GetWindowTextString();
  return 1 + static_cast<int>(std::count(t.begin(), t.end(), '\n'));
}

// ---- item lists shared by CComboBox and CListBox (err: CB_ERR = LB_ERR) ----

namespace {

constexpr int kErr = -1;

int AddItem(HWND h, TextArg text) {
  int r = kErr;
  fw::Modify(h,
             [&](Window& w) { r = InsertItem(w, -1, text.str(), (w.ctrlStyle & CS_SORT) != 0); });
  return r;
}
int InsertItemAt(HWND h, int index, TextArg text) {
  int r = kErr;
  fw::Modify(h, [&](Window& w) { r = InsertItem(w, index, text.str(), false); });
  return r;
}
int DeleteItemAt(HWND h, UINT index, bool comboText) {
  int r = kErr;
  fw::Modify(h, [&](Window& w) { r = DeleteItem(w, static_cast<int>(index), comboText); });
  return r;
}
void ClearItems(HWND h) {
  fw::Modify(h, [&](Window& w) {
    w.items.clear();
    ++w.itemsGen;
    w.itemData.clear();
    w.curSel = -1;
    w.topIndex = 0;
    if (w.kind == CtrlKind::ComboList) w.text.clear();
  });
}
int ItemCount(HWND h) {
  return fw::Read(h, kErr, [](const Window& w) { return static_cast<int>(w.items.size()); });
}
int CurSel(HWND h) {
  return fw::Read(h, kErr, [](const Window& w) { return w.curSel; });
}
int ItemText(HWND h, int index, std::string& text) {
  return fw::Read(h, kErr, [&](const Window& w) {
    if (index < 0 || index >= static_cast<int>(w.items.size())) return kErr;
    text = w.items[static_cast<size_t>(index)];
    return static_cast<int>(text.size());
  });
}
int ItemText(HWND h, int index, LPTSTR buffer) {
  std::string t;
  int r = ItemText(h, index, t);
  if (r >= 0 && buffer) std::memcpy(buffer, t.c_str(), t.size() + 1);
  return r;
}
int FindText(HWND h, int start, TextArg text, bool exact) {
  return fw::Read(h, kErr, [&](const Window& w) {
    return FindItem(w.items, start, [&](const std::string& s) {
      return exact ? IEquals(s, text.view()) : IStartsWith(s, text.view());
    });
  });
}
DWORD_PTR ItemData(HWND h, int index) {
  return fw::Read(h, DWORD_PTR(kErr), [&](const Window& w) {
    return index >= 0 && index < static_cast<int>(w.itemData.size())
               ? w.itemData[static_cast<size_t>(index)]
               : DWORD_PTR(kErr);
  });
}
int SetItemDataAt(HWND h, int index, DWORD_PTR data) {
  int r = kErr;
  fw::Modify(h, [&](Window& w) {
    if (index >= 0 && index < static_cast<int>(w.itemData.size())) {
      w.itemData[static_cast<size_t>(index)] = data;
      r = 0;
    }
  });
  return r;
}

}  // namespace

// ---- CComboBox ----

int CComboBox::AddString(TextArg text) { return AddItem(m_hWnd, text); }
int CComboBox::InsertString(int nIndex, TextArg text) { return InsertItemAt(m_hWnd, nIndex, text); }
int CComboBox::DeleteString(UINT nIndex) { return DeleteItemAt(m_hWnd, nIndex, true); }
void CComboBox::ResetContent() { ClearItems(m_hWnd); }
int CComboBox::GetCount() const { return ItemCount(m_hWnd); }
int CComboBox::GetCurSel() const { return CurSel(m_hWnd); }
int CComboBox::SetCurSel(int nSelect) {
  int r = CB_ERR;
  fw::Modify(m_hWnd, [&](Window& w) {
    if (nSelect >= 0 && nSelect < static_cast<int>(w.items.size())) {
      w.curSel = nSelect;
      w.text = w.items[static_cast<size_t>(nSelect)];
      r = nSelect;
    } else {
      w.curSel = -1;
      w.text.clear();
    }
  });
  return r;
}
int CComboBox::GetLBText(int nIndex, std::string& text) const {
  return ItemText(m_hWnd, nIndex, text);
}
int CComboBox::GetLBText(int nIndex, LPTSTR buffer) const {
  return ItemText(m_hWnd, nIndex, buffer);
}
int CComboBox::GetLBTextLen(int nIndex) const {
  std::string t;
  return ItemText(m_hWnd, nIndex, t);
}
int CComboBox::FindString(int nStartAfter, TextArg text) const {
  return FindText(m_hWnd, nStartAfter, text, false);
}
int CComboBox::FindStringExact(int nStartAfter, TextArg text) const {
  return FindText(m_hWnd, nStartAfter, text, true);
}
int CComboBox::SelectString(int nStartAfter, TextArg text) {
  int i = FindString(nStartAfter, text);
  return i >= 0 ? SetCurSel(i) : CB_ERR;
}
DWORD_PTR CComboBox::GetItemData(int nIndex) const { return ItemData(m_hWnd, nIndex); }
int CComboBox::SetItemData(int nIndex, DWORD_PTR data) {
  return SetItemDataAt(m_hWnd, nIndex, data);
}

// ---- CListBox ----

int CListBox::AddString(TextArg text) { return AddItem(m_hWnd, text); }
int CListBox::InsertString(int nIndex, TextArg text) { return InsertItemAt(m_hWnd, nIndex, text); }
int CListBox::DeleteString(UINT nIndex) { return DeleteItemAt(m_hWnd, nIndex, false); }
void CListBox::ResetContent() { ClearItems(m_hWnd); }
int CListBox::GetCount() const { return ItemCount(m_hWnd); }
int CListBox::GetCurSel() const { return CurSel(m_hWnd); }
int CListBox::SetCurSel(int nSelect) {
  int r = LB_ERR;
  fw::Modify(m_hWnd, [&](Window& w) {
    if (nSelect >= 0 && nSelect < static_cast<int>(w.items.size())) {
      w.curSel = nSelect;
      r = nSelect;
    } else {
      w.curSel = -1;
    }
  });
  return r;
}
int CListBox::GetText(int nIndex, std::string& text) const {
  return ItemText(m_hWnd, nIndex, text);
}
int CListBox::GetText(int nIndex, LPTSTR buffer) const { return ItemText(m_hWnd, nIndex, buffer); }
int CListBox::GetTextLen(int nIndex) const {
  std::string t;
  return ItemText(m_hWnd, nIndex, t);
}
int CListBox::FindString(int nStartAfter, TextArg text) const {
  return FindText(m_hWnd, nStartAfter, text, false);
}
int CListBox::FindStringExact(int nStartAfter, TextArg text) const {
  return FindText(m_hWnd, nStartAfter, text, true);
}
DWORD_PTR CListBox::GetItemData(int nIndex) const { return ItemData(m_hWnd, nIndex); }
int CListBox::SetItemData(int nIndex, DWORD_PTR data) {
  return SetItemDataAt(m_hWnd, nIndex, data);
}
int CListBox::GetTopIndex() const {
  return fw::Read(m_hWnd, 0, [](const Window& w) { return w.topIndex; });
}
int CListBox::SetTopIndex(int nIndex) {
  int r = LB_ERR;
  fw::Modify(m_hWnd, [&](Window& w) {
    if (nIndex >= 0 && nIndex < static_cast<int>(w.items.size())) {
      w.topIndex = nIndex;
      r = 0;
    }
  });
  return r;
}
void CListBox::SetHorizontalExtent(int cxExtent) {
  fw::Modify(m_hWnd, [&](Window& w) { w.hExtent = std::max(cxExtent, 0); });
}
int CListBox::GetHorizontalExtent() const {
  return fw::Read(m_hWnd, 0, [](const Window& w) { return w.hExtent; });
}
int CListBox::MeasureItemText(TextArg text) const {
  CFont font = fw::Read(m_hWnd, CFont(), [](const Window& w) { return w.font; });
  return MeasureTextWidth(font, text.view());
}

// ---- CProgressCtrl ----

void CProgressCtrl::SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }
void CProgressCtrl::SetRange32(int nLower, int nUpper) {
  fw::Modify(m_hWnd, [&](Window& w) {
    w.rangeMin = nLower;
    w.rangeMax = nUpper;
    w.pos = ClampToRange(w, w.pos);
  });
}
void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
  nLower = fw::Read(m_hWnd, 0, [](const Window& w) { return w.rangeMin; });
  nUpper = fw::Read(m_hWnd, 0, [](const Window& w) { return w.rangeMax; });
}
int CProgressCtrl::SetPos(int nPos) {
  int old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.pos;
    w.pos = ClampToRange(w, nPos);
  });
  return old;
}
int CProgressCtrl::GetPos() const {
  return fw::Read(m_hWnd, 0, [](const Window& w) { return w.pos; });
}
int CProgressCtrl::OffsetPos(int nPos) {
  int old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.pos;
    w.pos = ClampToRange(w, w.pos + nPos);
  });
  return old;
}
int CProgressCtrl::SetStep(int nStep) {
  int old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.step;
    w.step = nStep;
  });
  return old;
}
int CProgressCtrl::StepIt() {
  int old = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.pos;
    int next = w.pos + w.step;
    // Stepping past the end starts again at the beginning.
    w.pos = next > std::max(w.rangeMin, w.rangeMax) ? std::min(w.rangeMin, w.rangeMax) : next;
  });
  return old;
}

// ---- CSpinButtonCtrl ----

void CSpinButtonCtrl::SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }
void CSpinButtonCtrl::SetRange32(int nLower, int nUpper) {
  fw::Modify(m_hWnd, [&](Window& w) {
    w.rangeMin = nLower;
    w.rangeMax = nUpper;
    w.pos = ClampToRange(w, w.pos);
  });
}
void CSpinButtonCtrl::GetRange(int& nLower, int& nUpper) const {
  nLower = fw::Read(m_hWnd, 0, [](const Window& w) { return w.rangeMin; });
  nUpper = fw::Read(m_hWnd, 0, [](const Window& w) { return w.rangeMax; });
}
int CSpinButtonCtrl::SetPos(int nPos) {
  int old = 0;
  HWND buddy = nullptr;
  int now = 0;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.pos;
    w.pos = now = ClampToRange(w, nPos);
    buddy = w.buddy;
  });
  // The buddy shows the position (and reports the change as an edit does).
  if (CWnd* b = CWnd::FromHandle(buddy)) b->SetWindowText(std::to_string(now));
  return old;
}
int CSpinButtonCtrl::GetPos() const {
  return fw::Read(m_hWnd, 0, [](const Window& w) { return w.pos; });
}
CWnd* CSpinButtonCtrl::SetBuddy(CWnd* pWndBuddy) {
  HWND old = nullptr;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.buddy;
    w.buddy = pWndBuddy ? pWndBuddy->m_hWnd : nullptr;
  });
  return CWnd::FromHandle(old);
}
CWnd* CSpinButtonCtrl::GetBuddy() const {
  return CWnd::FromHandle(fw::Read(m_hWnd, HWND{}, [](const Window& w) { return w.buddy; }));
}

// ---- CTabCtrl ----

LONG CTabCtrl::InsertItem(int nItem, TextArg text) { return InsertItem(nItem, text, -1); }

LONG CTabCtrl::InsertItem(int nItem, TextArg text, int nImage) {
  LONG r = -1;
  fw::Modify(m_hWnd, [&](Window& w) {
    int n = static_cast<int>(w.tabs.size());
    int at = std::clamp(nItem, 0, n);
    w.tabs.insert(w.tabs.begin() + at, fw::TabItem{text.str(), nImage, 0});
    if (w.curSel < 0)
      w.curSel = 0;
    else if (w.curSel >= at && n > 0)
      ++w.curSel;
    r = at;
  });
  return r;
}

LONG CTabCtrl::InsertItem(int nItem, TCITEM* pItem) {
  if (!pItem) return -1;
  LONG r = InsertItem(nItem, (pItem->mask & TCIF_TEXT) ? TextArg(pItem->pszText) : TextArg(),
                      (pItem->mask & TCIF_IMAGE) ? pItem->iImage : -1);
  if (r >= 0 && (pItem->mask & TCIF_PARAM))
    fw::Modify(m_hWnd, [&](Window& w) { w.tabs[static_cast<size_t>(r)].param = pItem->lParam; });
  return r;
}

LONG CTabCtrl::InsertItem(UINT nMask, int nItem, TextArg text, int nImage, LPARAM lParam) {
  LONG r =
      InsertItem(nItem, (nMask & TCIF_TEXT) ? text : TextArg(), (nMask & TCIF_IMAGE) ? nImage : -1);
  if (r >= 0 && (nMask & TCIF_PARAM))
    fw::Modify(m_hWnd, [&](Window& w) { w.tabs[static_cast<size_t>(r)].param = lParam; });
  return r;
}

BOOL CTabCtrl::DeleteItem(int nItem) {
  BOOL ok = FALSE;
  fw::Modify(m_hWnd, [&](Window& w) {
    if (nItem < 0 || nItem >= static_cast<int>(w.tabs.size())) return;
    w.tabs.erase(w.tabs.begin() + nItem);
    if (w.curSel == nItem)
      w.curSel = -1;
    else if (w.curSel > nItem)
      --w.curSel;
    ok = TRUE;
  });
  return ok;
}

BOOL CTabCtrl::DeleteAllItems() {
  return fw::Modify(m_hWnd,
                    [&](Window& w) {
                      w.tabs.clear();
                      w.curSel = -1;
                    })
             ? TRUE
             : FALSE;
}

int CTabCtrl::GetItemCount() const {
  return fw::Read(m_hWnd, 0, [](const Window& w) { return static_cast<int>(w.tabs.size()); });
}

BOOL CTabCtrl::GetItem(int nItem, TCITEM* pItem) const {
  if (!pItem) return FALSE;
  return fw::Read(m_hWnd, FALSE, [&](const Window& w) -> BOOL {
    if (nItem < 0 || nItem >= static_cast<int>(w.tabs.size())) return FALSE;
    const fw::TabItem& t = w.tabs[static_cast<size_t>(nItem)];
    if ((pItem->mask & TCIF_TEXT) && pItem->pszText && pItem->cchTextMax > 0) {
      size_t n = std::min(t.text.size(), static_cast<size_t>(pItem->cchTextMax - 1));
      t.text.copy(pItem->pszText, n);
      pItem->pszText[n] = '\0';
    }
    if (pItem->mask & TCIF_IMAGE) pItem->iImage = t.image;
    if (pItem->mask & TCIF_PARAM) pItem->lParam = t.param;
    return TRUE;
  });
}

BOOL CTabCtrl::SetItem(int nItem, TCITEM* pItem) {
  if (!pItem) return FALSE;
  BOOL ok = FALSE;
  fw::Modify(m_hWnd, [&](Window& w) {
    if (nItem < 0 || nItem >= static_cast<int>(w.tabs.size())) return;
    fw::TabItem& t = w.tabs[static_cast<size_t>(nItem)];
    if (pItem->mask & TCIF_TEXT) t.text = pItem->pszText ? pItem->pszText : "";
    if (pItem->mask & TCIF_IMAGE) t.image = pItem->iImage;
    if (pItem->mask & TCIF_PARAM) t.param = pItem->lParam;
    ok = TRUE;
  });
  return ok;
}

int CTabCtrl::GetCurSel() const {
  return fw::Read(m_hWnd, -1, [](const Window& w) { return w.curSel; });
}

int CTabCtrl::SetCurSel(int nItem) {
  return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(nItem), 0));
}

BOOL CTabCtrl::GetItemRect(int nItem, LPRECT rect) const {
  if (!rect) return FALSE;
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(m_hWnd);
  if (!w || nItem < 0 || nItem >= static_cast<int>(w->tabs.size())) return FALSE;
  *rect = fw::TabItemRects(*w)[static_cast<size_t>(nItem)];
  return TRUE;
}

int CTabCtrl::HitTest(TCHITTESTINFO* info) const {
  if (!info) return -1;
  std::lock_guard lock(fw::Lock());
  Window* w = fw::Find(m_hWnd);
  info->flags = TCHT_NOWHERE;
  if (!w) return -1;
  auto rects = fw::TabItemRects(*w);
  for (size_t i = 0; i < rects.size(); ++i)
    if (rects[i].PtInRect(info->pt)) {
      info->flags = TCHT_ONITEM;
      return static_cast<int>(i);
    }
  return -1;
}

CImageList* CTabCtrl::SetImageList(CImageList* pImageList) {
  CImageList* old = nullptr;
  fw::Modify(m_hWnd, [&](Window& w) {
    old = w.imageList;
    w.imageList = pImageList;
  });
  return old;
}

CImageList* CTabCtrl::GetImageList() const {
  return fw::Read(m_hWnd, static_cast<CImageList*>(nullptr),
                  [](const Window& w) { return w.imageList; });
}

void CTabCtrl::AdjustRect(BOOL bLarger, LPRECT rect) const {
  if (!rect) return;
  int stripBottom = 0;
  {
    std::lock_guard lock(fw::Lock());
    Window* w = fw::Find(m_hWnd);
    if (!w) return;
    int baseX = 0, baseY = 0;
    FixedFontBaseUnits(w->font.PointSize(), baseX, baseY);
    stripBottom = 2 + baseY + 7;
  }
  CRect r(*rect);
  if (bLarger)
    r = CRect(r.left - 4, r.top - stripBottom - 2, r.right + 4, r.bottom + 4);
  else
    r = CRect(r.left + 4, r.top + stripBottom + 2, r.right - 4, r.bottom - 4);
  *rect = r;
}

LRESULT CTabCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CWnd::DefWindowProc(message, wParam, lParam);
}
