#include "common/FailureText.h"

#include <cstring>

#include "framework/Strings.h"

std::string FailureText(UINT id, const std::string& path, int err) {
  std::string text = FormatString(LoadResString(id).c_str(), path.c_str());
  return err != 0 ? text + ": " + std::strerror(err) : text;
}
