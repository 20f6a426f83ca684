// Serial ports of the machine with their friendly names.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

struct SerialPortInfo {
  std::string m_strDevPath;
  std::string m_strPortName;
  std::string m_strFriendlyName;
  BOOL m_bUsbDevice = FALSE;
  std::string m_strPortDesc;
};

using SerialPortInfoArray = std::vector<SerialPortInfo>;

// Fills ports in enumeration order; throws a text on failure.
void EnumerateSerialPorts(SerialPortInfoArray& ports, BOOL onlyOpenable);
