#include "link/FakeSysfs.h"

#include <fstream>

namespace fs = std::filesystem;

namespace fakesysfs {

namespace {

void WriteAttr(const fs::path& file, const std::string& value) {
  std::ofstream(file) << value << "\n";
}

void Link(const fs::path& target, const fs::path& link) {
  fs::create_directories(link.parent_path());
  fs::create_directory_symlink(fs::relative(target, link.parent_path()), link);
}

fs::path Driver(const fs::path& root, const std::string& bus, const std::string& name) {
  fs::path d = root / "sys" / "bus" / bus / "drivers" / name;
  fs::create_directories(d);
  return d;
}

void AddClassEntry(const fs::path& root, const fs::path& device, const std::string& tty) {
  fs::path classDev = device / "tty" / tty;
  fs::create_directories(classDev);
  Link(device, classDev / "device");
  Link(classDev, root / "sys" / "class" / "tty" / tty);
}

}  // namespace

void AddUsbPort(const fs::path& root, const UsbAdapter& a) {
  fs::path usbDev = root / "sys" / "devices" / "pci0000:00" / "0000:00:14.0" / "usb1" / a.socket;
  fs::create_directories(usbDev);
  WriteAttr(usbDev / "idVendor", a.vid);
  WriteAttr(usbDev / "idProduct", a.pid);
  if (!a.product.empty()) WriteAttr(usbDev / "product", a.product);
  if (!a.serial.empty()) WriteAttr(usbDev / "serial", a.serial);
  fs::path iface = usbDev / (a.socket + ":1.0");
  fs::create_directories(iface);
  if (a.acm) {
    Link(Driver(root, "usb", a.driver), iface / "driver");
    AddClassEntry(root, iface, a.tty);
    return;
  }
  Link(Driver(root, "usb", "usbserial_generic"), iface / "driver");
  fs::path port = iface / a.tty;
  fs::create_directories(port);
  Link(Driver(root, "usb-serial", a.driver), port / "driver");
  WriteAttr(port / "port_number", "0");
  AddClassEntry(root, port, a.tty);
}

void AddBuiltinPort(const fs::path& root, const std::string& tty) {
  fs::path dev = root / "sys" / "devices" / "pnp0" / ("00:0" + tty.substr(4));
  fs::create_directories(dev);
  Link(Driver(root, "pnp", "serial"), dev / "driver");
  AddClassEntry(root, dev, tty);
}

void AddPhantomPort(const fs::path& root, const std::string& tty) {
  fs::path dev = root / "sys" / "devices" / "platform" / "serial8250";
  fs::create_directories(dev);
  AddClassEntry(root, dev, tty);
}

void AddVirtualTty(const fs::path& root, const std::string& tty) {
  fs::path dev = root / "sys" / "devices" / "virtual" / "tty" / tty;
  fs::create_directories(dev);
  Link(dev, root / "sys" / "class" / "tty" / tty);
}

void RemoveTty(const fs::path& root, const std::string& tty) {
  fs::remove(root / "sys" / "class" / "tty" / tty);
}

}  // namespace fakesysfs
