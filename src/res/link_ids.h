// Resource ids of the chipset track-log page, whose command layer lives in
// link/; the ids themselves are kept with the logger pages.
#pragma once

#include "res/logger_ids.h"
