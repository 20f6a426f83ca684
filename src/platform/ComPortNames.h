// COM-port names. The program names ports "COM5" (or "\\.\COM5"); each
// serial adapter keeps the COM number it was first given, across runs and
// replugs, through a table in the user's configuration folder. New adapters
// take the lowest free number.
#pragma once

#include <string>
#include <vector>

// The device path to open for a port name: a device path ("/dev/ttyUSB0",
// "/dev/pts/7") is used as it is; "COMn" is the device of the adapter that
// holds number n (the present ports are looked at first; an absent holder's
// last place, when nothing else is there now); other numbers open
// /dev/ttyS(n-1) unless that port has another number. "" when no device may
// stand for the name (opening it then fails as for a missing port).
std::string ResolveComPortName(const std::string& name);

// The number of "COMn", "\\.\COMn", "//./COMn" (any case); 0 when name is
// not such a name.
int ParseComPortNumber(const std::string& name);

// A port present now, as the enumeration sees it.
struct ComPortClaim {
  std::string id;       // stable adapter id, e.g. "usb:10c4:ea60:0001:1.0"
  std::string devPath;  // where it is now
  int preferred = 0;    // number it should get when free (built-in ttySn: n+1)
};

struct ComPortTableEntry {
  int number = 0;
  std::string id;
  std::string devPath;  // where the adapter was last seen
};

// Gives each present port its number: the one recorded for its id, else its
// preferred number when free, else the lowest free number. Records new ports
// and moved paths in the table file. Returns the numbers in claim order.
std::vector<int> AssignComPortNumbers(const std::vector<ComPortClaim>& claims);

// The table as stored.
std::vector<ComPortTableEntry> LoadComPortTable();
