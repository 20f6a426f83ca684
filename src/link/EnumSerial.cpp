#include "link/EnumSerial.h"

#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/ComPortNames.h"

namespace {

[[noreturn]] void ThrowFailure(const char* what, int err) {
  char text[160];
  std::snprintf(text, sizeof text, "%s (err=%lx)", what, static_cast<unsigned long>(err));
  throw std::string(text);
}

bool CanOpen(const std::string& devPath) {
  int fd = open(ResolveComPortName(devPath).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// The description of a port without one from the system: the friendly name,
// without a trailing " (COMn)" when that is its one parenthesised part.
std::string DescriptionFrom(const std::string& friendlyName) {
  std::size_t open = friendlyName.find(" (");
  std::size_t close = friendlyName.find(')');
  if (open != std::string::npos && open > 0 && close == friendlyName.size() - 1)
    return friendlyName.substr(0, open);
  return friendlyName;
}

void EnumeratePortsSysfs(SerialPortInfoArray& ports, const std::vector<ScannedPort>& scanned) {
  std::vector<ComPortClaim> claims;
  for (const auto& p : scanned) claims.push_back(ComPortClaim{p.id, p.devPath, p.preferred});
  std::vector<int> numbers = AssignComPortNumbers(claims);
  std::vector<std::pair<int, SerialPortInfo>> numbered;
  for (std::size_t i = 0; i < scanned.size(); ++i) {
    SerialPortInfo info;
    info.m_strDevPath = scanned[i].devPath;
    info.m_bUsbDevice = scanned[i].usb;
    if (numbers[i] > 0) {
      info.m_strPortName = "COM" + std::to_string(numbers[i]);
      info.m_strFriendlyName = scanned[i].displayName + " (" + info.m_strPortName + ")";
    } else {
      info.m_strFriendlyName = scanned[i].displayName;  // id unusable: no number
    }
    numbered.emplace_back(numbers[i] > 0 ? numbers[i] : 1 << 30, std::move(info));
  }
  std::stable_sort(numbered.begin(), numbered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& n : numbered) ports.push_back(std::move(n.second));
}

}  // namespace

void EnumeratePortsNt4(SerialPortInfoArray& ports) {
  for (int i = 1; i <= 16; ++i) {
    SerialPortInfo info;
    info.m_strPortName = "COM" + std::to_string(i);
    info.m_strDevPath = "\\\\.\\" + info.m_strPortName;
    ports.push_back(std::move(info));
  }
}

void EnumerateSerialPorts(SerialPortInfoArray& ports, BOOL onlyOpenable) {
  ports.clear();
  utsname version{};
  if (uname(&version) != 0) ThrowFailure("Could not get OS version.", errno);

  std::vector<ScannedPort> scanned;
  int err = ScanSysfsPorts(scanned);
  std::vector<ScannedPort> announced = ScanAnnouncedPorts();
  scanned.insert(scanned.end(), announced.begin(), announced.end());
  EnumeratePortsSysfs(ports, scanned);
  if (err != 0) {
    // Without the kernel's list every usual name is offered; a simulated
    // logger's port keeps its own entry in place of the plain one.
    SerialPortInfoArray fixed;
    EnumeratePortsNt4(fixed);
    for (SerialPortInfo& f : fixed) {
      bool announcedHere = std::any_of(ports.begin(), ports.end(), [&](const SerialPortInfo& p) {
        return p.m_strPortName == f.m_strPortName;
      });
      if (!announcedHere) ports.push_back(std::move(f));
    }
    std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
      return ParseComPortNumber(a.m_strPortName) < ParseComPortNumber(b.m_strPortName);
    });
  }

  auto it = ports.begin();
  while (it != ports.end()) {
    if (onlyOpenable && !CanOpen(it->m_strDevPath)) {
      it = ports.erase(it);
      continue;
    }
    if (it->m_strFriendlyName.empty()) it->m_strFriendlyName = it->m_strPortName;
    if (it->m_strPortDesc.empty()) it->m_strPortDesc = DescriptionFrom(it->m_strFriendlyName);
    ++it;
  }
}

const std::vector<std::string>& FindBridgeNames() {
  static const std::vector<std::string> names = {"CP210x USB to UART Bridge Controller",
                                                 "Prolific USB-to-Serial"};
  return names;
}

const std::vector<std::string>& DetectBridgeNames() {
  static const std::vector<std::string> names = {
      "CP210x USB to UART Bridge Controller", "Silicon Labs CP210x USB to UART Bridge",
      "USB to UART Bridge", "GPS USB Serial Interface Driver"};
  return names;
}

BOOL FriendlyNameMatchesBridge(const std::string& friendlyName, const std::string& bridgeName) {
  return !bridgeName.empty() && friendlyName.find(bridgeName) != std::string::npos;
}

std::string PortNameFromFriendlyName(const std::string& friendlyName) {
  std::size_t open = friendlyName.find('(');
  if (open == std::string::npos) return "";
  std::size_t close = friendlyName.find(')', open + 1);
  if (close == std::string::npos) return "";
  return friendlyName.substr(open + 1, close - open - 1);
}
