// The serial ports of the machine with their friendly names, and the
// bridge-name matching the bridge searches use. Failures are thrown as a text
// naming the failing call, with "(err=%lx)" and the error code.
#pragma once

#include <string>
#include <vector>

#include "link/PortScan.h"
#include "platform/WinTypes.h"

struct SerialPortInfo {
  std::string m_strDevPath;       // what opens the device ("/dev/ttyUSB0")
  std::string m_strPortName;      // "COM3"
  std::string m_strFriendlyName;  // "CP210x USB to UART Bridge Controller (COM3)"
  BOOL m_bUsbDevice = FALSE;
  std::string m_strPortDesc;  // "CP210x USB to UART Bridge Controller"
};

using SerialPortInfoArray = std::vector<SerialPortInfo>;

// Empties ports and fills it, ordered by COM number: the kernel's serial
// ports and the ports of running simulated loggers (when the kernel's list
// cannot be read, COM1 to COM16 stand in for the former). With onlyOpenable,
// ports that cannot be opened now are left out. Throws std::string on
// failure.
void EnumerateSerialPorts(SerialPortInfoArray& ports, BOOL onlyOpenable);

// The fixed listing COM1 to COM16, used when the kernel's port list cannot be
// read.
void EnumeratePortsNt4(SerialPortInfoArray& ports);

// Bridge names in the order the two searches try them.
const std::vector<std::string>& FindBridgeNames();
const std::vector<std::string>& DetectBridgeNames();

// True when the friendly name contains the bridge name.
BOOL FriendlyNameMatchesBridge(const std::string& friendlyName, const std::string& bridgeName);

// The text between the first '(' and the first ')' after it; "" when the name
// has no such parentheses.
std::string PortNameFromFriendlyName(const std::string& friendlyName);
