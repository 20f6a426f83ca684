#include "link/PortScan.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "link/SimPortAnnouncement.h"
#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

std::mutex g_rootMutex;
fs::path g_sysfsRoot = "/";

fs::path SysfsRoot() {
  std::lock_guard lock(g_rootMutex);
  return g_sysfsRoot;
}

std::string ReadAttribute(const fs::path& file) {
  std::string text;
  if (ReadWholeFile(file, text, 4096) != 0) return "";
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  std::replace_if(
      text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
  return text;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsCp210x(const std::string& driver, const std::string& vid, const std::string& pid) {
  static const char* const pids[] = {"ea60", "ea61", "ea63", "ea70",
                                     "ea71", "ea7a", "ea7b", "ea80"};
  return driver == "cp210x" ||
         (vid == "10c4" && std::find(std::begin(pids), std::end(pids), pid) != std::end(pids));
}

bool IsPl2303(const std::string& driver, const std::string& vid, const std::string& pid) {
  static const char* const pids[] = {"2303", "2304", "23a3", "23b3",
                                     "23c3", "23d3", "23e3", "23f3"};
  return driver == "pl2303" ||
         (vid == "067b" && std::find(std::begin(pids), std::end(pids), pid) != std::end(pids));
}

// Number n of "ttySn", else -1.
int BuiltinIndex(const std::string& name) {
  if (name.size() < 5 || name.compare(0, 4, "ttyS") != 0) return -1;
  int n = 0;
  for (std::size_t i = 4; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || n > 9999) return -1;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

bool Describe(const fs::path& root, const std::string& name, ScannedPort& port) {
  std::error_code ec;
  fs::path entry = root / "sys" / "class" / "tty" / name;
  fs::path device = fs::canonical(entry / "device", ec);
  if (ec) return false;  // virtual terminals and pseudo-terminals have no device
  // The legacy driver registers ttyS ports that have no hardware behind them.
  if (device.filename() == "serial8250") return false;
  std::string driver;
  if (fs::path drv = fs::canonical(device / "driver", ec); !ec) driver = drv.filename().string();

  fs::path rootCanon = fs::canonical(root, ec);
  fs::path usbDevice, usbInterface;
  fs::path below;
  for (fs::path p = device; p.has_relative_path() && p != rootCanon; p = p.parent_path()) {
    if (fs::exists(p / "idVendor", ec)) {
      usbDevice = p;
      usbInterface = below;
      break;
    }
    below = p;
    if (p == p.parent_path()) break;
  }

  port.devPath = "/dev/" + name;
  port.usb = usbDevice.empty() ? FALSE : TRUE;
  if (!port.usb) {
    port.id = "tty:" + name;
    int n = BuiltinIndex(name);
    port.preferred = n >= 0 ? n + 1 : 0;
    port.displayName = name;
    return true;
  }
  std::string vid = Lower(ReadAttribute(usbDevice / "idVendor"));
  std::string pid = Lower(ReadAttribute(usbDevice / "idProduct"));
  std::string serial = ReadAttribute(usbDevice / "serial");
  std::string product = ReadAttribute(usbDevice / "product");
  // The adapter is known by its serial number where it has one (it keeps its
  // number on any USB socket), else by the socket it is plugged into.
  std::string iface = usbInterface.filename().string();
  if (std::size_t colon = iface.find(':'); colon != std::string::npos)
    iface = iface.substr(colon + 1);
  else
    iface.clear();
  port.id = "usb:" + vid + ":" + pid +
            (serial.empty() ? "@" + usbDevice.filename().string() : ":" + serial);
  if (!iface.empty()) port.id += ":" + iface;
  if (std::string portNumber = ReadAttribute(device / "port_number");
      !portNumber.empty() && portNumber != "0")
    port.id += ":p" + portNumber;

  if (IsCp210x(driver, vid, pid))
    port.displayName = "CP210x USB to UART Bridge Controller";
  else if (IsPl2303(driver, vid, pid))
    port.displayName = "Prolific USB-to-Serial Comm Port";
  else if (!product.empty())
    port.displayName = product;
  else
    port.displayName = "USB Serial Device";
  return true;
}

}  // namespace

void SetSysfsRootForTesting(const fs::path& root) {
  std::lock_guard lock(g_rootMutex);
  g_sysfsRoot = root.empty() ? fs::path("/") : root;
}

int ScanSysfsPorts(std::vector<ScannedPort>& ports) {
  ports.clear();
  fs::path root = SysfsRoot();
  std::error_code ec;
  std::vector<std::string> names;
  fs::directory_iterator it(root / "sys" / "class" / "tty", ec);
  if (ec) return ec.value();
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  if (ec) return ec.value();
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    ScannedPort port;
    if (Describe(root, name, port)) ports.push_back(std::move(port));
  }
  return 0;
}

std::vector<ScannedPort> ScanAnnouncedPorts() {
  std::vector<ScannedPort> ports;
  for (const AnnouncedPort& a : ReadAnnouncedPorts()) {
    ScannedPort port;
    port.devPath = a.path;
    port.id = "sim:" + a.id;
    port.displayName = a.name.empty() ? "USB Serial Device" : a.name;
    port.usb = TRUE;  // it stands in for a USB bridge
    ports.push_back(std::move(port));
  }
  return ports;
}

std::vector<ComPortClaim> ScanPresentPortClaims(bool* treeReadable) {
  std::vector<ScannedPort> ports;
  int err = ScanSysfsPorts(ports);
  if (treeReadable) *treeReadable = err == 0;
  std::vector<ScannedPort> announced = ScanAnnouncedPorts();
  ports.insert(ports.end(), announced.begin(), announced.end());
  std::vector<ComPortClaim> claims;
  for (const auto& p : ports) claims.push_back(ComPortClaim{p.id, p.devPath, p.preferred});
  return claims;
}
