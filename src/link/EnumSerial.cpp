// Interim enumeration: only the ports that simulated loggers announce.
#include "link/EnumSerial.h"

#include "link/SimPortAnnouncement.h"

void EnumerateSerialPorts(SerialPortInfoArray& ports, BOOL onlyOpenable) {
  (void)onlyOpenable;
  ports.clear();
  for (const auto& sim : ListSimulatedPorts()) {
    SerialPortInfo info;
    info.m_strDevPath = sim.path;
    info.m_strPortName = sim.path;
    info.m_strFriendlyName = sim.name + " (" + sim.path + ")";
    info.m_bUsbDevice = TRUE;
    info.m_strPortDesc = sim.name;
    ports.push_back(info);
  }
}
