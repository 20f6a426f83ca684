// Placement of dialogs and controls: dialog units to pixels, page
// positions inside a tab control, screen and client coordinates.
#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"

using namespace fwtest;

TEST(DialogUnits, FixedMeasureFollowsTheFontSize) {
  int bx = 0, by = 0;
  FixedFontBaseUnits(8, bx, by);
  EXPECT_EQ(bx, 6);
  EXPECT_EQ(by, 13);
  FixedFontBaseUnits(10, bx, by);
  EXPECT_EQ(bx, 7);
  EXPECT_EQ(by, 15);
}

TEST(DialogUnits, ControlsSitAtTheirTemplatePositions) {
  Headless headless;
  RegisterTemplates();
  CDialog dlg(IDD_MAIN);
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  // 8 pt: 6 x 13 pixels per 4 x 8 dialog units, rounded half away from zero.
  CRect tab;
  dlg.GetDlgItem(IDC_TAB)->GetWindowRect(&tab);
  dlg.ScreenToClient(&tab);
  EXPECT_EQ(tab, CRect(11, 5, 515, 514));  // (7,3)-(343,316) DLU
  CRect client;
  dlg.GetClientRect(&client);
  EXPECT_EQ(client, CRect(0, 0, 525, 546));  // 350 x 336 DLU

  RECT r{277, 319, 277 + 66, 319 + 14};
  dlg.MapDialogRect(&r);
  CRect about;
  dlg.GetDlgItem(IDC_ABOUT)->GetWindowRect(&about);
  dlg.ScreenToClient(&about);
  EXPECT_EQ(about, CRect(r));
}

TEST(DialogUnits, PageMovedInsideTheTabKeepsItsSizeAndReportsScreenRects) {
  Headless headless;
  RegisterTemplates();
  CDialog main(IDD_MAIN);
  ASSERT_TRUE(main.Create(IDD_MAIN));
  main.MoveWindow(100, 50, 525, 546);
  CTabCtrl tab;
  tab.Attach(main.GetDlgItem(IDC_TAB)->m_hWnd);
  tab.InsertItem(0, " ");
  CDialog page(IDD_PAGE);
  ASSERT_TRUE(page.Create(IDD_PAGE, &tab));
  EXPECT_EQ(page.GetParent(), &tab);
  EXPECT_EQ(page.GetParent()->GetParent(), &main);
  EXPECT_FALSE(page.IsWindowVisible());  // a page starts hidden

  CRect item;
  ASSERT_TRUE(tab.GetItemRect(0, &item));
  page.SetWindowPos(nullptr, item.left + 8, item.top + 28, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  CRect pageRect;
  page.GetWindowRect(&pageRect);
  // 10 pt page: 7 x 15 base units; 282 x 257 DLU.
  EXPECT_EQ(pageRect.Width(), 494);
  EXPECT_EQ(pageRect.Height(), 482);
  // Screen position: main (100,50) + tab (11,5) + item offset.
  EXPECT_EQ(pageRect.left, 100 + 11 + item.left + 8);
  EXPECT_EQ(pageRect.top, 50 + 5 + item.top + 28);
  CPoint p(pageRect.left, pageRect.top);
  tab.ScreenToClient(&p);
  EXPECT_EQ(p, CPoint(item.left + 8, item.top + 28));

  page.ShowWindow(SW_SHOW);
  main.ShowWindow(SW_HIDE);
  EXPECT_FALSE(page.IsWindowVisible());  // hidden with its parent
  main.ShowWindow(SW_SHOW);
  EXPECT_TRUE(page.IsWindowVisible());
}

TEST(DialogUnits, MissingTemplateFailsCleanly) {
  Headless headless;
  CDialog dlg(4242);
  EXPECT_FALSE(dlg.Create(4242));
  EXPECT_EQ(dlg.DoModal(), -1);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}
