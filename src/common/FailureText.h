// The text of a file failure: a string-table text naming the file, in the
// window's language, followed by the system's reason when there is one.
#pragma once

#include <string>

#include "platform/WinTypes.h"

std::string FailureText(UINT id, const std::string& path, int err = 0);
