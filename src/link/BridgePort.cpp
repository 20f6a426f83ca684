#include "link/BridgePort.h"

#include <cstdlib>

namespace {

// Number of a "COMn" name, 0 for other names (device paths).
int ComNumber(const std::string& name) {
  if (name.rfind("COM", 0) != 0 || name.size() < 4) return 0;
  return std::atoi(name.c_str() + 3);
}

}  // namespace

bool PortNameFromFriendlyName(const std::string& friendlyName, std::string& portName) {
  auto open = friendlyName.find('(');
  auto close = friendlyName.find(')');
  if (open == std::string::npos || close == std::string::npos || close <= open + 1) return false;
  portName = friendlyName.substr(open + 1, close - open - 1);
  return true;
}

bool FindBridgePortIn(const SerialPortInfoArray& ports, std::string& currentName) {
  for (const auto& port : ports) {
    const std::string& friendly = port.m_strFriendlyName;
    if (friendly.find("CP210x USB to UART Bridge Controller") == std::string::npos &&
        friendly.find("Prolific USB-to-Serial") == std::string::npos)
      continue;
    std::string name;
    if (!PortNameFromFriendlyName(friendly, name)) continue;
    if (!currentName.empty() && currentName != name && currentName != "//.//" + name) continue;
    currentName = ComNumber(name) >= 10 ? "//.//" + name : name;
    return true;
  }
  return false;
}

bool DetectBridgePortIn(const SerialPortInfoArray& ports, std::string& portName) {
  static const char* const kBridgeNames[] = {
      "CP210x USB to UART Bridge Controller", "Silicon Labs CP210x USB to UART Bridge",
      "USB to UART Bridge", "GPS USB Serial Interface Driver"};
  for (const auto& port : ports) {
    for (const char* bridge : kBridgeNames) {
      if (port.m_strFriendlyName.find(bridge) == std::string::npos) continue;
      std::string name;
      if (!PortNameFromFriendlyName(port.m_strFriendlyName, name)) break;
      portName = name;
      return true;
    }
  }
  return false;
}
