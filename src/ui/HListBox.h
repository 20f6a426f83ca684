// A list box whose horizontal scroll extent follows its widest item, so long
// lines (file names, photo results) can be scrolled sideways.
#pragma once

#include "framework/Controls.h"

// Its users add, insert, delete and clear items through this class; the
// base class's operations of the same names do not update the extent.
class CHListBox : public CListBox {
 public:
  CHListBox() = default;

  int AddString(TextArg text);
  int InsertString(int nIndex, TextArg text);
  int DeleteString(UINT nIndex);
  // Empties the list; the extent stays until the next item sets it.
  void ResetContent();
  // Widens the extent when text is wider than every item so far.
  void UpdateExtent(TextArg text);

  int GetMaxWidth() const { return m_nMaxWidth; }

 private:
  // Item width: text in the list box's font plus a margin of three borders.
  int ItemWidth(TextArg text) const;

  int m_nMaxWidth = 0;
};
