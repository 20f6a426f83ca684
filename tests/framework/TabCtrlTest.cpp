// The tab control's hooks for a derived control: the window procedure sees
// programmatic selections and arrow keys, reflected TCN_SELCHANGING can
// refuse a click, clicks are hit-tested.
#include <gtest/gtest.h>

#include <set>

#include "FrameworkTestSupport.h"
#include "framework/UserInput.h"

using namespace fwtest;

namespace {

// Tabs that can be disabled: selections of a disabled tab are redirected,
// clicks on one are refused.
class CDisablingTab : public CTabCtrl {
 public:
  std::set<int> disabled;
  std::vector<UINT> keys;
  int changing = 0;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == TCM_SETCURSEL && disabled.count(static_cast<int>(wParam))) {
      int next = static_cast<int>(wParam) + 1;
      if (next >= GetItemCount() || disabled.count(next)) return -1;
      return CTabCtrl::WindowProc(TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
    }
    if (message == WM_KEYDOWN) keys.push_back(static_cast<UINT>(wParam));
    return CTabCtrl::WindowProc(message, wParam, lParam);
  }
  afx_msg void OnSelchanging(NMHDR*, LRESULT* pResult) {
    ++changing;
    DWORD pos = GetMessagePos();
    CPoint pt(LOWORD(pos), HIWORD(pos));
    ScreenToClient(&pt);
    TCHITTESTINFO hit;
    hit.pt = pt;
    int item = HitTest(&hit);
    *pResult = (item >= 0 && disabled.count(item)) ? 1 : 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDisablingTab, CTabCtrl)
ON_NOTIFY_REFLECT(TCN_SELCHANGING, &CDisablingTab::OnSelchanging)
END_MESSAGE_MAP()

class CMain : public CDialog {
 public:
  CMain() : CDialog(IDD_MAIN) {}
  CDisablingTab m_tab;
  int selchanges = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TAB, m_tab); }
  afx_msg void OnSelchangeTab(NMHDR*, LRESULT* pResult) {
    ++selchanges;
    *pResult = 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMain, CDialog)
ON_NOTIFY(TCN_SELCHANGE, IDC_TAB, &CMain::OnSelchangeTab)
END_MESSAGE_MAP()

struct TabFixture : ::testing::Test {
  Headless headless;
  CMain dlg;
  void SetUp() override {
    RegisterTemplates();
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    dlg.ShowWindow(SW_SHOW);
    dlg.MoveWindow(40, 30, 525, 546);
    for (const char* t : {"Device", "Log", "Photo"})
      dlg.m_tab.InsertItem(dlg.m_tab.GetItemCount(), t);
  }
};

}  // namespace

using TabCtrl = TabFixture;

TEST_F(TabCtrl, ProgrammaticSelectionGoesThroughTheWindowProcedure) {
  dlg.m_tab.disabled = {1};
  EXPECT_EQ(dlg.m_tab.SetCurSel(1), 0);  // redirected to 2; returns the previous
  EXPECT_EQ(dlg.m_tab.GetCurSel(), 2);
  dlg.m_tab.disabled = {1, 2};
  dlg.m_tab.SetCurSel(0);
  EXPECT_EQ(dlg.m_tab.SetCurSel(1), -1);
  EXPECT_EQ(dlg.m_tab.GetCurSel(), 0);
  // Through a plain pointer to the control the same procedure runs.
  auto* plain = static_cast<CTabCtrl*>(dlg.GetDlgItem(IDC_TAB));
  EXPECT_EQ(plain->SetCurSel(2), -1);
  EXPECT_EQ(dlg.selchanges, 0);  // code selections send no notification
}

TEST_F(TabCtrl, ClicksAreHitTestedAndCanBeRefused) {
  CRect item1;
  ASSERT_TRUE(dlg.m_tab.GetItemRect(1, &item1));
  UserClickTab(dlg, IDC_TAB, 1);
  EXPECT_EQ(dlg.m_tab.GetCurSel(), 1);
  EXPECT_EQ(dlg.selchanges, 1);

  dlg.m_tab.disabled = {2};
  UserClickTab(dlg, IDC_TAB, 2);
  EXPECT_EQ(dlg.m_tab.GetCurSel(), 1);
  EXPECT_EQ(dlg.m_tab.changing, 2);

  // Beside the items: no notification, no change.
  UserClickTabAt(dlg, IDC_TAB, POINT{item1.right + 300, item1.top + 3});
  EXPECT_EQ(dlg.m_tab.changing, 2);
  EXPECT_EQ(dlg.m_tab.GetCurSel(), 1);
  EXPECT_EQ(dlg.selchanges, 1);
}

TEST_F(TabCtrl, ArrowKeysReachTheWindowProcedure) {
  UserKey(dlg, IDC_TAB, VK_RIGHT);
  UserKey(dlg, IDC_TAB, VK_RIGHT);
  UserKey(dlg, IDC_TAB, VK_RIGHT);  // at the last tab: stays
  EXPECT_EQ(dlg.m_tab.keys, (std::vector<UINT>{VK_RIGHT, VK_RIGHT, VK_RIGHT}));
  EXPECT_EQ(dlg.m_tab.GetCurSel(), 2);
  UserKey(dlg, IDC_TAB, VK_LEFT);
  EXPECT_EQ(dlg.m_tab.GetCurSel(), 1);
}

TEST_F(TabCtrl, ItemsKeepTextImageAndTheirRectanglesInARow) {
  TCITEM item;
  char buf[32];
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = buf;
  item.cchTextMax = 4;
  ASSERT_TRUE(dlg.m_tab.GetItem(0, &item));
  EXPECT_STREQ(buf, "Dev");  // cut to the buffer
  EXPECT_EQ(item.iImage, -1);
  CRect a, b;
  dlg.m_tab.GetItemRect(0, &a);
  dlg.m_tab.GetItemRect(1, &b);
  EXPECT_EQ(a.right, b.left);
  EXPECT_EQ(a.top, b.top);
  EXPECT_FALSE(dlg.m_tab.GetItemRect(3, &a));
  EXPECT_TRUE(dlg.m_tab.DeleteItem(0));
  EXPECT_EQ(dlg.m_tab.GetItemCount(), 2);
}
