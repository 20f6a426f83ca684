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
#define IDS_BLOCK_TYPE_ERROR 103
#define IDS_BLOCK_CHECK_PORT 104
#define IDS_BLOCK_WRONG_FILE_TYPE 105
#define IDS_BLOCK_NO_ROOM 106
#define IDS_BLOCK_USER_BREAK 107
#define IDS_BLOCK_NOT_UPLOAD 109
#define IDS_BLOCK_SILENT 5401
#define IDS_BLOCK_PORT_LOST 5402
#define IDS_BLOCK_WRITE_FAILED 5403
#define IDS_BLOCK_READ_FAILED 5404
#define IDS_BLOCK_DAMAGED 5405
#define IDS_BLOCK_CLEAR_REFUSED 5406

// Track-log file status dialog.
