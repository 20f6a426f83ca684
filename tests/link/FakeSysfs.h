// A fake /sys tree with tty devices laid out as the kernel lays them out.
#pragma once

#include <filesystem>
#include <string>

namespace fakesysfs {

struct UsbAdapter {
  std::string socket = "1-1";  // USB device name (the socket it is plugged into)
  std::string vid = "10c4";
  std::string pid = "ea60";
  std::string product = "CP2102 USB to UART Bridge Controller";
  std::string serial = "0001";
  std::string driver = "cp210x";
  std::string tty = "ttyUSB0";
  bool acm = false;  // ttyACM layout: the tty hangs off the interface itself
};

void AddUsbPort(const std::filesystem::path& root, const UsbAdapter& a);
// A built-in port on a platform device (driver "serial").
void AddBuiltinPort(const std::filesystem::path& root, const std::string& tty);
// A ttyS that the legacy driver registers without hardware.
void AddPhantomPort(const std::filesystem::path& root, const std::string& tty);
// A virtual terminal (no device).
void AddVirtualTty(const std::filesystem::path& root, const std::string& tty);
// Removes the class entry of a tty (the adapter is unplugged).
void RemoveTty(const std::filesystem::path& root, const std::string& tty);

}  // namespace fakesysfs
