#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "firmware/FlashLibrary.h"
#include "framework/BitmapRegistry.h"
#include "framework/Gdi.h"
#include "framework/UserInput.h"
#include "framework/qt/QtView.h"
#include "ui/TabCtrlEx.h"
#include "ui/UiTestDialog.h"

namespace {

// Opens the reflected selection-change check to the tests.
class ProbeTab : public CTabCtrlEx {
 public:
  using CTabCtrlEx::OnSelchanging;
};

class TabCtrlExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create(kUiTestDialog));
    dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(tab.SubclassDlgItem(kUiTestTab, &dlg));
    dlg.BindNotify(kUiTestTab, TCN_SELCHANGE,
                   [this](NMHDR* nm, LRESULT*) { changes.push_back(nm ? nm->idFrom : 0); });
  }
  void AddTabs(int n) {
    for (int i = 0; i < n; ++i) tab.InsertItem(i, "Tab " + std::to_string(i));
  }
  void Select(int n) {
    ASSERT_GE(tab.SetCurSel(n), 0);
    ASSERT_EQ(tab.GetCurSel(), n);
  }

  UiTestDialog dlg;
  ProbeTab tab;
  std::vector<UINT_PTR> changes;
};

TEST_F(TabCtrlExTest, TheOnlyTabCannotBeDisabledWhileCurrent) {
  AddTabs(1);
  ASSERT_EQ(tab.GetCurSel(), 0);
  EXPECT_FALSE(tab.EnableItem(0, FALSE));
  EXPECT_TRUE(tab.IsItemEnabled(0));
  EXPECT_FALSE(tab.EnableItem(1, FALSE));  // out of range
  EXPECT_FALSE(tab.EnableItem(-1, TRUE));
  EXPECT_FALSE(tab.IsItemEnabled(1));

  tab.InsertItem(1, "Second");
  Select(1);
  EXPECT_TRUE(tab.EnableItem(0, FALSE));
  EXPECT_FALSE(tab.IsItemEnabled(0));
  EXPECT_EQ(tab.GetCurSel(), 1);
}

TEST_F(TabCtrlExTest, EnablingTwiceAndDisablingTwiceChangeNothing) {
  AddTabs(4);
  Select(0);
  EXPECT_TRUE(tab.EnableItem(2, TRUE));
  EXPECT_TRUE(tab.IsItemEnabled(2));
  EXPECT_TRUE(tab.EnableItem(3, FALSE));
  EXPECT_TRUE(tab.EnableItem(2, FALSE));
  EXPECT_TRUE(tab.EnableItem(3, FALSE));
  int pos = -1;
  EXPECT_FALSE(tab.IsItemEnabled(3, &pos));
  EXPECT_EQ(pos, 0);  // listed once, in the order disabled
  EXPECT_FALSE(tab.IsItemEnabled(2, &pos));
  EXPECT_EQ(pos, 1);
  EXPECT_TRUE(tab.EnableItem(3, TRUE));
  EXPECT_FALSE(tab.IsItemEnabled(2, &pos));
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(tab.GetCurSel(), 0);
  EXPECT_TRUE(changes.empty());
}

TEST_F(TabCtrlExTest, DisablingTheCurrentTabMovesOnAndTellsTheParent) {
  AddTabs(4);
  Select(1);
  ASSERT_TRUE(tab.EnableItem(2, FALSE));
  ASSERT_TRUE(tab.EnableItem(1, FALSE));
  EXPECT_EQ(tab.GetCurSel(), 3);  // 2 is disabled, so on to 3
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], static_cast<UINT_PTR>(kUiTestTab));
  // The last tab wraps to the first enabled from 0.
  ASSERT_TRUE(tab.EnableItem(3, FALSE));
  EXPECT_EQ(tab.GetCurSel(), 0);
  // The only enabled tab left stays.
  EXPECT_FALSE(tab.EnableItem(0, FALSE));
  EXPECT_TRUE(tab.IsItemEnabled(0));
}

TEST_F(TabCtrlExTest, FindNextEnabledWrapsBothWays) {
  AddTabs(5);
  Select(2);
  tab.EnableItem(0, FALSE);
  tab.EnableItem(4, FALSE);
  EXPECT_EQ(tab.FindNextEnabled(4, TRUE), 1);
  EXPECT_EQ(tab.FindNextEnabled(0, FALSE), 3);
  EXPECT_EQ(tab.FindNextEnabled(3, TRUE), 3);
  EXPECT_EQ(tab.FindNextEnabled(7, TRUE), 2);  // a start beyond the end wraps
  tab.EnableItem(1, FALSE);
  tab.EnableItem(3, FALSE);
  EXPECT_EQ(tab.FindNextEnabled(0, TRUE), 2);
  CTabCtrlEx empty;
  EXPECT_EQ(empty.FindNextEnabled(0, TRUE), -1);
}

TEST_F(TabCtrlExTest, ArrowKeysSkipDisabledTabsAndWrap) {
  AddTabs(4);
  Select(3);
  tab.EnableItem(0, FALSE);
  UserKey(dlg, kUiTestTab, VK_RIGHT);  // last -> first enabled from 0
  EXPECT_EQ(tab.GetCurSel(), 1);
  UserKey(dlg, kUiTestTab, VK_LEFT);  // 0 is disabled -> backwards from 0 wraps to 3
  EXPECT_EQ(tab.GetCurSel(), 3);
  tab.EnableItem(2, FALSE);
  UserKey(dlg, kUiTestTab, VK_UP);  // 2 disabled -> 1
  EXPECT_EQ(tab.GetCurSel(), 1);
  UserKey(dlg, kUiTestTab, VK_DOWN);  // 2 disabled -> 3
  EXPECT_EQ(tab.GetCurSel(), 3);
  EXPECT_EQ(changes.size(), 4u);
}

TEST_F(TabCtrlExTest, ProgrammaticSelectionOfDisabledTabIsRedirectedOrRefused) {
  AddTabs(5);
  Select(1);
  tab.EnableItem(2, FALSE);
  EXPECT_EQ(tab.SetCurSel(2), 0);  // neighbour: on in that direction
  EXPECT_EQ(tab.GetCurSel(), 3);

  Select(1);
  tab.EnableItem(3, FALSE);
  EXPECT_EQ(tab.SetCurSel(3), -1);  // two away: refused
  EXPECT_EQ(tab.GetCurSel(), 1);

  Select(0);
  tab.EnableItem(4, FALSE);
  EXPECT_EQ(tab.SetCurSel(4), 0);  // distance equals the target: wraps backwards
  EXPECT_EQ(tab.GetCurSel(), 1);

  EXPECT_EQ(tab.SetCurSel(9), -1);  // outside the tabs: refused, not redirected
  EXPECT_EQ(tab.SetCurSel(-1), -1);
  EXPECT_EQ(tab.GetCurSel(), 1);
}

TEST_F(TabCtrlExTest, ClicksOnDisabledTabsAndBesideTheTabsChangeNothing) {
  AddTabs(3);
  Select(0);
  tab.EnableItem(1, FALSE);
  UserClickTab(dlg, kUiTestTab, 1);
  EXPECT_EQ(tab.GetCurSel(), 0);
  UserClickTab(dlg, kUiTestTab, 2);
  EXPECT_EQ(tab.GetCurSel(), 2);
  EXPECT_EQ(changes.size(), 1u);
  UserClickTabAt(dlg, kUiTestTab, CPoint(280, 80));
  EXPECT_EQ(tab.GetCurSel(), 2);

  // The reflected notification refuses a change when the click hit no tab
  // or a disabled one (the click's position is the message position).
  CRect item;
  ASSERT_TRUE(tab.GetItemRect(0, &item));
  auto verdict = [this](POINT at) {
    UserClickTabAt(dlg, kUiTestTab, at);
    NMHDR nm{tab.m_hWnd, static_cast<UINT_PTR>(kUiTestTab), TCN_SELCHANGING};
    LRESULT result = -1;
    tab.OnSelchanging(&nm, &result);
    return result;
  };
  EXPECT_EQ(verdict(CPoint(item.left + 1, item.bottom + 40)), 1);
  EXPECT_EQ(verdict(item.CenterPoint()), 0);
  ASSERT_TRUE(tab.GetItemRect(1, &item));
  EXPECT_EQ(verdict(item.CenterPoint()), 1);
}

TEST_F(TabCtrlExTest, DisabledTabsAreDrawnEngraved) {
  AddTabs(2);
  Select(0);
  tab.EnableItem(1, FALSE);
  auto draw = [this](int item, UINT type = ODT_TAB) {
    CDC dc;
    DRAWITEMSTRUCT dis;
    dis.CtlType = type;
    dis.itemID = static_cast<UINT>(item);
    dis.hDC = &dc;
    dis.rcItem = CRect(0, 0, 60, 20);
    tab.DrawItem(&dis);
    std::vector<DcText> texts;
    for (const DcOp& op : dc.Ops())
      if (auto* t = std::get_if<DcText>(&op)) texts.push_back(*t);
    return texts;
  };
  auto enabled = draw(0);
  ASSERT_EQ(enabled.size(), 1u);
  EXPECT_EQ(enabled[0].text, "Tab 0");
  EXPECT_EQ(enabled[0].color, GetSysColor(COLOR_BTNTEXT));
  auto disabled = draw(1);
  ASSERT_EQ(disabled.size(), 2u);
  EXPECT_EQ(disabled[0].color, GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(disabled[1].color, GetSysColor(COLOR_GRAYTEXT));
  EXPECT_EQ(disabled[0].rect.left, disabled[1].rect.left + 1);
  EXPECT_EQ(disabled[0].rect.top, disabled[1].rect.top + 1);
  EXPECT_TRUE(draw(0, ODT_BUTTON).empty());
  EXPECT_TRUE(draw(5).empty());
}

TEST_F(TabCtrlExTest, InstallMakesTheControlOwnerDrawnAndTakesOverAnotherObject) {
  AddTabs(2);
  EXPECT_TRUE(tab.Install(&tab));
  EXPECT_TRUE(tab.GetStyle() & TCS_OWNERDRAWFIXED);

  CTabCtrlEx other;
  ASSERT_TRUE(other.Install(&tab));
  EXPECT_EQ(tab.m_hWnd, nullptr);
  EXPECT_EQ(other.GetItemCount(), 2);
  EXPECT_EQ(CWnd::FromHandlePermanent(other.m_hWnd), &other);
  other.Detach();
  EXPECT_FALSE(tab.InstallInSheet(nullptr));
  EXPECT_TRUE(tab.NotifyPageKillActive(-1));  // no property sheet: lets go at once
}

TEST_F(TabCtrlExTest, ItemImagesNeedAnImageListAndLoadableBitmaps) {
  AddTabs(2);
  RegisterImagePainter(ImageKind::Bitmap, 9711, 16, 16, [](BitmapCanvas&) {});
  EXPECT_EQ(tab.SetItemImage(0, 9711), -1);  // no image list
  CImageList images;
  ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1));
  tab.SetImageList(&images);
  EXPECT_EQ(tab.SetItemImage(5, 9711), -1);
  EXPECT_EQ(tab.SetItemImage(0, 9712), -1);        // no such bitmap
  EXPECT_EQ(tab.SetItemImage(0, 9711, 9713), -1);  // no such mask
  const int image = tab.SetItemImage(1, 9711);
  EXPECT_GE(image, 0);
  TCITEM item;
  item.mask = TCIF_IMAGE;
  ASSERT_TRUE(tab.GetItem(1, &item));
  EXPECT_EQ(item.iImage, image);
  tab.SetImageList(nullptr);
}

TEST_F(TabCtrlExTest, WorkersEnableAndDisableTabsWhileTheWindowThreadRuns) {
  AddTabs(3);
  Select(0);
  std::thread worker([this] {
    for (int i = 0; i < 200; ++i) {
      tab.EnableItem(1 + i % 2, FALSE);
      tab.EnableItem(1 + i % 2, TRUE);
    }
  });
  for (int i = 0; i < 200; ++i) tab.IsItemEnabled(i % 3);
  worker.join();
  EXPECT_TRUE(tab.IsItemEnabled(1));
  EXPECT_TRUE(tab.IsItemEnabled(2));
}

TEST_F(TabCtrlExTest, ATabDisabledByTwoThreadsAtOnceComesBackWithOneEnable) {
  AddTabs(3);
  Select(0);
  for (int round = 0; round < 300; ++round) {
    std::atomic<int> ready{0};
    auto disable = [&] {
      ++ready;
      while (ready < 2) {
      }
      tab.EnableItem(1, FALSE);
    };
    std::thread a(disable), b(disable);
    a.join();
    b.join();
    ASSERT_TRUE(tab.EnableItem(1, TRUE));
    ASSERT_TRUE(tab.IsItemEnabled(1)) << round;
  }
}

}  // namespace

// Tabs with one disabled, as the view paints them (build folder, screenshots/).
TEST(TabCtrlExScreenshot, DisabledTabIsGreyed) {
  QtView view;
  UiTestDialog dlg;
  ASSERT_TRUE(dlg.Create(kUiTestDialog));
  CTabCtrlEx tab;
  ASSERT_TRUE(tab.SubclassDlgItem(kUiTestTab, &dlg));
  for (const char* name : {"Device", "Track Log", "Photos"})
    tab.InsertItem(tab.GetItemCount(), name);
  ASSERT_TRUE(tab.Install(&tab));
  ASSERT_TRUE(tab.EnableItem(1, FALSE));
  dlg.ShowWindow(SW_SHOW);
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(SaveDialogPng(dlg, (folder / "tabs_disabled.png").string()));
  tab.Detach();
}
