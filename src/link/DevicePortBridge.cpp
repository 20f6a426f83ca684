// The device page's searches for the logger's USB-serial bridge port.
#include "firmware/PageDeviceSetting.h"
#include "link/BridgePort.h"
#include "link/EnumSerial.h"
#include "platform/Trace.h"

BOOL CPageDeviceSetting::FindBridgePort() {
  // Queue sizes are the driver's own on this platform; nothing to size.
  SerialPortInfoArray ports;
  try {
    EnumerateSerialPorts(ports, FALSE);
  } catch (const std::string&) {
    return FALSE;
  }
  std::string name = m_strComPort;
  if (!FindBridgePortIn(ports, name)) return FALSE;
  m_strComPort = name;
  TRACE("Connected to %s\n", m_strComPort.c_str());
  return TRUE;
}

BOOL CPageDeviceSetting::DetectBridgePort(std::string& portName) {
  SerialPortInfoArray ports;
  try {
    EnumerateSerialPorts(ports, FALSE);
  } catch (const std::string&) {
    return FALSE;
  }
  return DetectBridgePortIn(ports, portName) ? TRUE : FALSE;
}
