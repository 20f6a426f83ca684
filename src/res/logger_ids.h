// Resource ids of the logger pages and dialogs.
#pragma once

// GPS status page.
#define IDD_PAGE_GPS_STATUS 129

// Track-log setting page.
#define IDD_PAGE_TRACKLOG_SETTING 130

// Waypoint page.
#define IDD_PAGE_WAYPOINT_SETTING 134

// Chipset track-log setting page.

// Chipset log download.

// Block transfer protocol.

// Track-log file status dialog.
