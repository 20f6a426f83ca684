// Resource ids of the logger pages.
#pragma once

#define IDD_PAGE_GPS_STATUS 129
#define IDD_PAGE_TRACKLOG_SETTING 130
#define IDD_PAGE_WAYPOINT_SETTING 134
