// Port names as the program uses them ("COM4", "//.//COM12") mapped to the
// device that opens them.
#pragma once

#include <string>

// The device path to open for a port name. A name that is already a device
// path is returned as it is; "COMn" (with or without the "//.//" or "\\.\"
// prefix) maps to its device. Empty when the name names no port.
std::string ResolveComPortName(const std::string& name);
