#include "ui/HListBox.h"

#include <algorithm>

#include "framework/Gdi.h"

int CHListBox::ItemWidth(TextArg text) const {
  return MeasureItemText(text) + 3 * GetSystemMetrics(SM_CXBORDER);
}

int CHListBox::AddString(TextArg text) {
  const int result = CListBox::AddString(text);
  if (result >= 0) UpdateExtent(text);
  return result;
}

int CHListBox::InsertString(int nIndex, TextArg text) {
  const int result = CListBox::InsertString(nIndex, text);
  if (result >= 0) UpdateExtent(text);
  return result;
}

int CHListBox::DeleteString(UINT nIndex) {
  const int result = CListBox::DeleteString(nIndex);
  if (result < 0) return result;
  m_nMaxWidth = 0;
  const int count = GetCount();
  for (int i = 0; i < count; ++i) {
    std::string text;
    GetText(i, text);
    m_nMaxWidth = std::max(m_nMaxWidth, ItemWidth(text));
  }
  SetHorizontalExtent(m_nMaxWidth);
  return result;
}

void CHListBox::ResetContent() {
  CListBox::ResetContent();
  m_nMaxWidth = 0;
}

void CHListBox::UpdateExtent(TextArg text) {
  const int width = ItemWidth(text);
  if (m_nMaxWidth < width) {
    m_nMaxWidth = width;
    SetHorizontalExtent(m_nMaxWidth);
  }
}
