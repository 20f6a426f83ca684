// Picking the logger's USB-serial bridge out of the enumerated ports by the
// bridge names in their friendly names. Both searches walk the ports in
// enumeration order and try every name on each port, so the first listed
// bridge wins whatever the order of the names.
#pragma once

#include <string>

#include "link/EnumSerial.h"

// The search of the device page's FindBridgePort over a port list: the first
// CP210x or Prolific bridge port accepted by currentName (empty, the same
// name, or "//.//" and the same name). On success currentName becomes the
// port's open name ("//.//" in front from COM10 on). A friendly name without
// a parenthesised port name does not qualify.
bool FindBridgePortIn(const SerialPortInfoArray& ports, std::string& currentName);

// The search of DetectBridgePort: the first port whose friendly name holds
// any of the four known bridge names and a parenthesised port name.
bool DetectBridgePortIn(const SerialPortInfoArray& ports, std::string& portName);
