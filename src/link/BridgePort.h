// Picking the logger's USB-serial bridge out of the enumerated ports by the
// bridge names in their friendly names.
#pragma once

#include <string>

#include "link/EnumSerial.h"

// The port name between the first '(' and the first ')' of a friendly name.
// False (no port) when the name has no such pair or nothing between them.
bool PortNameFromFriendlyName(const std::string& friendlyName, std::string& portName);

// The search of the device page's FindBridgePort over a port list: the first
// CP210x or Prolific bridge port accepted by currentName (empty, the same
// name, or "//.//" and the same name). On success currentName becomes the
// port's open name ("//.//" in front from COM10 on).
bool FindBridgePortIn(const SerialPortInfoArray& ports, std::string& currentName);

// The search of DetectBridgePort: the first port whose friendly name holds
// any of the four known bridge names.
bool DetectBridgePortIn(const SerialPortInfoArray& ports, std::string& portName);
