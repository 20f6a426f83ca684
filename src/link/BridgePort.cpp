#include "link/BridgePort.h"

#include "platform/ComPortNames.h"

namespace {

// The port name of the first bridge name found in the port's friendly name;
// empty when none matches or the name gives no port.
std::string BridgePortName(const SerialPortInfo& port, const std::vector<std::string>& names) {
  for (const auto& bridge : names)
    if (FriendlyNameMatchesBridge(port.m_strFriendlyName, bridge))
      return PortNameFromFriendlyName(port.m_strFriendlyName);
  return {};
}

}  // namespace

bool FindBridgePortIn(const SerialPortInfoArray& ports, std::string& currentName) {
  for (const auto& port : ports) {
    const std::string name = BridgePortName(port, FindBridgeNames());
    if (name.empty()) continue;
    if (!currentName.empty() && currentName != name && currentName != "//.//" + name) continue;
    currentName = ParseComPortNumber(name) >= 10 ? "//.//" + name : name;
    return true;
  }
  return false;
}

bool DetectBridgePortIn(const SerialPortInfoArray& ports, std::string& portName) {
  for (const auto& port : ports) {
    const std::string name = BridgePortName(port, DetectBridgeNames());
    if (name.empty()) continue;
    portName = name;
    return true;
  }
  return false;
}
