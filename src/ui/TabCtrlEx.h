// The main dialog's tab control with single tabs that can be disabled: a
// disabled tab is drawn greyed, cannot be chosen with the mouse or the arrow
// keys, and a programmatic selection of it moves on to the next enabled tab.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Gdi.h"

class CTabCtrlEx : public CTabCtrl {
 public:
  CTabCtrlEx() = default;
  ~CTabCtrlEx() override = default;

  // Makes pTab's window this control (when it is another object) and owner-drawn.
  BOOL Install(CTabCtrl* pTab);
  BOOL InstallInSheet(CPropertySheet* pSheet);

  // FALSE for an index out of range or a disabled tab (*pnPos: its place in
  // the disabled list).
  BOOL IsItemEnabled(int nItem, int* pnPos = nullptr) const;
  // FALSE for an index out of range, or when the tab to disable is the
  // current one and no other tab is enabled.
  BOOL EnableItem(int nItem, BOOL bEnable);
  // First enabled tab from nStart on in the direction, wrapping; -1 when none.
  int FindNextEnabled(int nStart, BOOL bForward) const;
  // Selects a tab as the user would (the parent gets TCN_SELCHANGE).
  void SelectItem(int nItem);
  // Asks the active property page whether it lets go; TRUE outside a sheet.
  BOOL NotifyPageKillActive(int nPage);

  int SetItemImage(int nItem, int nBitmapId, int nMaskId = -1);
  int SetItemImage(int nItem, HICON hIcon);

  void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
  void DrawItemText(CDC* pDC, CRect rect, const std::string& text, BOOL bDisabled);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnSelchanging(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDestroy();

  DECLARE_MESSAGE_MAP()

 private:
  int SetItemImageIndex(int nItem, int image);

  // Indices of the disabled tabs in the order they were disabled. Workers
  // enable and disable tabs while the window thread draws them.
  mutable std::mutex m_disabledMutex;
  std::vector<DWORD> m_arrDisabled;
  NMHDR m_nmhdr;
};
