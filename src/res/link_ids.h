// Resource ids of the chipset track-log page.
#pragma once

#define IDD_PAGE_MTK_TRACKLOG_SETTING 143
