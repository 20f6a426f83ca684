#include <gtest/gtest.h>

#include <string>

#include "framework/Gdi.h"
#include "ui/HListBox.h"
#include "ui/UiTestDialog.h"

namespace {

class HListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create(kUiTestDialog));
    ASSERT_TRUE(list.SubclassDlgItem(kUiTestList, &dlg));
  }
  int Width(const std::string& text) const {
    return list.MeasureItemText(text) + 3 * GetSystemMetrics(SM_CXBORDER);
  }

  UiTestDialog dlg;
  CHListBox list;
};

const std::string kShort = "a.trl";
const std::string kMiddle = "2026-12-09 track 0001.trl";
const std::string kLong = "/home/user/Tracks/2026/December/2026-12-09 morning ride 0001.trl";

TEST_F(HListBoxTest, ExtentFollowsTheWidestItem) {
  ASSERT_LT(Width(kShort), Width(kMiddle));
  ASSERT_LT(Width(kMiddle), Width(kLong));
  EXPECT_EQ(list.AddString(kLong), 0);
  EXPECT_EQ(list.GetHorizontalExtent(), Width(kLong));
  EXPECT_EQ(list.AddString(kShort), 1);
  EXPECT_EQ(list.InsertString(0, kMiddle), 0);
  EXPECT_EQ(list.GetHorizontalExtent(), Width(kLong));
  EXPECT_EQ(list.GetMaxWidth(), Width(kLong));
}

TEST_F(HListBoxTest, DeletingRecomputesDownToZero) {
  list.AddString(kShort);
  list.AddString(kLong);
  list.AddString(kMiddle);
  EXPECT_EQ(list.DeleteString(1), 2);
  EXPECT_EQ(list.GetHorizontalExtent(), Width(kMiddle));
  EXPECT_EQ(list.DeleteString(1), 1);
  EXPECT_EQ(list.GetHorizontalExtent(), Width(kShort));
  EXPECT_EQ(list.DeleteString(0), 0);
  EXPECT_EQ(list.GetHorizontalExtent(), 0);
  EXPECT_EQ(list.GetMaxWidth(), 0);
  EXPECT_LT(list.DeleteString(0), 0);  // nothing to delete: the extent is left alone
}

TEST_F(HListBoxTest, ResetKeepsTheExtentUntilTheNextItem) {
  list.AddString(kLong);
  list.ResetContent();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetHorizontalExtent(), Width(kLong));
  EXPECT_EQ(list.GetMaxWidth(), 0);
  list.AddString(kShort);  // narrower than before, and still the new extent
  EXPECT_EQ(list.GetHorizontalExtent(), Width(kShort));
}

TEST_F(HListBoxTest, FailedAddsLeaveTheWidthAlone) {
  list.AddString(kShort);
  EXPECT_LT(list.InsertString(5, kLong), 0);
  EXPECT_EQ(list.GetMaxWidth(), Width(kShort));
  CHListBox unbound;  // no window: the base call fails
  EXPECT_LT(unbound.AddString(kLong), 0);
  EXPECT_EQ(unbound.GetMaxWidth(), 0);
}

}  // namespace
