// Resource ids of the format pages.
#pragma once

#define IDD_PAGE_TRACKLOG_FORMAT 136
