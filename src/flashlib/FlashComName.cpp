#include <string>

#include "flashlib/FlashSerial.h"
#include "platform/ComPortNames.h"

namespace flashlib {

// The library finds COMn where the program does: through the user's COM-port
// table, so an adapter (or a simulated logger) has the same number in both.
std::string ComPortDevice(int n) { return ResolveComPortName("COM" + std::to_string(n)); }

}  // namespace flashlib
