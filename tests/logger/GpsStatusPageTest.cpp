// The GPS status page's sample values, zone list and picture.
#include <gtest/gtest.h>

#include <string>

#include "app/PageCommand.h"
#include "logger/LoggerScreenshots.h"
#include "logger/PageGPSStatus.h"

namespace {

std::string Text(CWnd& wnd) { return wnd.GetWindowTextString(); }

TEST(GpsStatusPage, SampleValuesAndZoneListUnchangedByPageCommands) {
  CPageGPSStatus page;
  ASSERT_TRUE(page.Create(CPageGPSStatus::IDD));
  for (WPARAM command : {WPARAM{PAGECMD_APPLY}, WPARAM{PAGECMD_DEFAULTS}, WPARAM{PAGECMD_OK}}) {
    EXPECT_EQ(page.m_cbTimeZone.GetCount(), 25);
    std::string zone;
    page.m_cbTimeZone.GetLBText(page.m_cbTimeZone.GetCurSel(), zone);
    EXPECT_EQ(zone, "+8");
    // Local time is the GMT sample eight hours on.
    EXPECT_EQ(Text(page.m_edGmt), "2006/12/04 04:00:00");
    EXPECT_EQ(Text(page.m_edLocalTime), "2006/12/04 12:00:00");
    EXPECT_EQ(Text(page.m_edLatitude), "24.997132 N");
    EXPECT_EQ(Text(page.m_edLongitude), "121.485058 E");
    EXPECT_EQ(Text(page.m_edAltitude), "127.9 m");
    EXPECT_EQ(Text(page.m_edSpeed), "0.00 km/h");
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_GPS_HOT_START), 1u);
    page.SendMessage(WM_PAGE_COMMAND, command, 0);
  }
  EXPECT_TRUE(page.GetSafeHwnd() != nullptr);
  page.DestroyWindow();
}

TEST(GpsStatusPageScreenshot, SampleValues) {
  QtView view;
  CPageGPSStatus page;
  SaveInBothLanguages("gps_status_page", [&](const char*) -> CWnd& {
    if (page.GetSafeHwnd()) page.DestroyWindow();
    page.Create(CPageGPSStatus::IDD);
    page.ShowWindow(SW_SHOW);
    return page;
  });
  page.DestroyWindow();
}

}  // namespace
