#include "platform/ComPortNames.h"

#include <cctype>
#include <cstdlib>

std::string ResolveComPortName(const std::string& name) {
  if (!name.empty() && name[0] == '/' && name.rfind("//./", 0) != 0) return name;
  std::string rest = name;
  for (const char* prefix : {"//.//", "//./", "\\\\.\\"}) {
    std::string p = prefix;
    if (rest.rfind(p, 0) == 0) {
      rest = rest.substr(p.size());
      break;
    }
  }
  if (rest.size() < 4 || (rest.compare(0, 3, "COM") != 0 && rest.compare(0, 3, "com") != 0))
    return {};
  int n = 0;
  for (std::size_t i = 3; i < rest.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(rest[i])) || n > 9999) return {};
    n = n * 10 + (rest[i] - '0');
  }
  if (n < 1) return {};
  return "/dev/ttyS" + std::to_string(n - 1);
}
