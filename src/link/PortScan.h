// The serial ports present now: the tty devices of the kernel's sysfs tree
// and the ports announced by running simulated loggers, each with a stable
// adapter id (for its COM number) and the display name its driver gives it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ComPortNames.h"
#include "platform/WinTypes.h"

struct ScannedPort {
  std::string devPath;      // "/dev/ttyUSB0"
  std::string id;           // "usb:10c4:ea60:0001:1.0", "tty:ttyS0", "sim:..."
  std::string displayName;  // "CP210x USB to UART Bridge Controller"
  BOOL usb = FALSE;
  int preferred = 0;  // COM number of a built-in port (ttySn: n+1)
};

// Walks <root>/sys/class/tty. Returns 0, or the errno when the folder cannot
// be read at all (ports then stays empty).
int ScanSysfsPorts(std::vector<ScannedPort>& ports);

// The ports of running simulated loggers.
std::vector<ScannedPort> ScanAnnouncedPorts();

// Both of the above, as claims on COM numbers. treeReadable (when given)
// tells whether the sysfs tree could be read.
std::vector<ComPortClaim> ScanPresentPortClaims(bool* treeReadable = nullptr);

// Puts the sysfs tree under root (tests); an empty path restores "/".
void SetSysfsRootForTesting(const std::filesystem::path& root);
