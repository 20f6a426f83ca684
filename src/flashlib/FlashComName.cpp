#include <string>

#include "flashlib/FlashSerial.h"

namespace flashlib {

std::string ComPortDevice(int n) { return "/dev/ttyS" + std::to_string(n - 1); }

}  // namespace flashlib
