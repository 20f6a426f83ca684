// Styles, owner drawing through the recording device context, and text
// measures without a view.
#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "framework/BitmapRegistry.h"

using namespace fwtest;

TEST(Drawing, OwnerDrawStyleRoundTripsThroughWindowLong) {
  Headless headless;
  RegisterTemplates();
  CDialog dlg(IDD_MAIN);
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  CWnd* tab = dlg.GetDlgItem(IDC_TAB);
  LONG style = GetWindowLong(tab->m_hWnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_FALSE(style & TCS_OWNERDRAWFIXED);
  SetWindowLong(tab->m_hWnd, GWL_STYLE, style | TCS_OWNERDRAWFIXED);
  EXPECT_TRUE(tab->GetStyle() & TCS_OWNERDRAWFIXED);
  tab->ModifyStyle(WS_VISIBLE, 0);
  EXPECT_FALSE(tab->IsWindowVisible());
  EXPECT_TRUE(tab->GetStyle() & TCS_OWNERDRAWFIXED);
}

TEST(Drawing, DisabledImagesAndEngravedTextAreRecorded) {
  RegisterImagePainter(ImageKind::Icon, 9400, 16, 16, [](BitmapCanvas&) {});
  CImageList images;
  ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 1));
  HICON icon = AfxLoadIconResource(9400);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(images.Add(icon), 0);
  EXPECT_EQ(images.Add(HICON{}), -1);
  CDC dc;
  HICON extracted = images.ExtractIcon(0);
  dc.DrawState(CPoint(3, 5), CSize(16, 16), extracted, DST_ICON | DSS_DISABLED,
               static_cast<CBrush*>(nullptr));
  DestroyIcon(extracted);
  dc.SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
  CRect r(1, 1, 60, 20);
  dc.DrawText("Log", &r, DT_SINGLELINE | DT_VCENTER);
  ASSERT_EQ(dc.Ops().size(), 2u);
  const auto& img = std::get<DcImage>(dc.Ops()[0]);
  EXPECT_EQ(img.resourceId, 9400u);
  EXPECT_TRUE(img.disabled);
  EXPECT_TRUE(img.icon);
  EXPECT_EQ(img.pos.x, 3);
  const auto& text = std::get<DcText>(dc.Ops()[1]);
  EXPECT_EQ(text.text, "Log");
  EXPECT_EQ(text.color, GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST(Drawing, BitmapsLoadOnlyWhenRegistered) {
  CBitmap missing;
  EXPECT_FALSE(missing.LoadBitmap(9401));
  EXPECT_EQ(static_cast<HBITMAP>(missing), nullptr);
  RegisterImagePainter(ImageKind::Bitmap, 9402, 570, 90, [](BitmapCanvas&) {});
  CBitmap picture;
  ASSERT_TRUE(picture.LoadBitmap(9402));
  BITMAP bm;
  ASSERT_GT(picture.GetBitmap(&bm), 0);
  EXPECT_EQ(bm.bmWidth, 570);
  EXPECT_EQ(bm.bmHeight, 90);
}

TEST(Drawing, FixedTextWidthCountsCharactersNotBytes) {
  EXPECT_EQ(FixedTextWidth(8, "abc"), 18);
  EXPECT_EQ(FixedTextWidth(8, "\xc3\xa9"), 6);                   // é: one character
  EXPECT_EQ(FixedTextWidth(8, "\xe8\xa8\xad\xe5\xae\x9a"), 24);  // two wide characters
  Headless headless;
  CFont font("Arial", 8);
  EXPECT_EQ(MeasureTextWidth(font, "COM12"), 30);
}
