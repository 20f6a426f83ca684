// The device page's searches for the logger's USB-serial bridge port.
#include <exception>

#include "firmware/PageDeviceSetting.h"
#include "link/BridgePort.h"
#include "link/EnumSerial.h"
#include "platform/Trace.h"

namespace {

// The ports to search, ports that cannot be opened included; a failed
// enumeration counts as no port found.
bool EnumerateForSearch(SerialPortInfoArray& ports) {
  try {
    EnumerateSerialPorts(ports, FALSE);
    return true;
  } catch (const std::string&) {
    return false;
  } catch (const std::exception&) {  // out of memory, a file-system error
    return false;
  }
}

}  // namespace

BOOL CPageDeviceSetting::FindBridgePort() {
  // Queue sizes are the driver's own on this platform; nothing to size.
  SerialPortInfoArray ports;
  if (!EnumerateForSearch(ports)) return FALSE;
  std::string name = m_strComPort;
  if (!FindBridgePortIn(ports, name)) return FALSE;
  m_strComPort = name;
  TRACE("Connected to %s\n", m_strComPort.c_str());
  return TRUE;
}

BOOL CPageDeviceSetting::DetectBridgePort(std::string& portName) {
  SerialPortInfoArray ports;
  if (!EnumerateForSearch(ports)) return FALSE;
  return DetectBridgePortIn(ports, portName) ? TRUE : FALSE;
}
