// Every area's resource ids, for the tables that gather all areas.
#pragma once

#if __has_include("res/common_ids.h")
#include "res/common_ids.h"
#endif
#if __has_include("res/framework_ids.h")
#include "res/framework_ids.h"
#endif
#if __has_include("res/app_ids.h")
#include "res/app_ids.h"
#endif
#if __has_include("res/ui_ids.h")
#include "res/ui_ids.h"
#endif
#if __has_include("res/firmware_ids.h")
#include "res/firmware_ids.h"
#endif
#if __has_include("res/logger_ids.h")
#include "res/logger_ids.h"
#endif
#if __has_include("res/formats_ids.h")
#include "res/formats_ids.h"
#endif
#if __has_include("res/photo_ids.h")
#include "res/photo_ids.h"
#endif
#if __has_include("res/link_ids.h")
#include "res/link_ids.h"
#endif
