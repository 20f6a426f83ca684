// The serial port the flashing library talks over.
#pragma once

#include <string>

#include "flashlib/FlashExchange.h"

namespace flashlib {

class SerialTransport : public FlashTransport {
 public:
  ~SerialTransport() override;
  // Opens the device for exclusive use, raw 8N1 at the given rate.
  bool Open(const std::string& device, int baud);
  void Close();
  bool Write(const std::uint8_t* data, std::size_t n) override;
  int Read(std::uint8_t* data, std::size_t n, int timeoutMs) override;

 private:
  int fd_ = -1;
};

// Device path of port COMn.
std::string ComPortDevice(int n);

}  // namespace flashlib
