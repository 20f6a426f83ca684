// Resource ids of the framework's own dialog.
#pragma once

#define IDD_FRAMEWORK_EMPTY 900
