// A serial port on a POSIX terminal device, with the behaviour the device
// link relies on: exclusive use, raw 8N1 lines without flow control, reads
// that return at once with what is buffered, and errno kept on failures so
// callers can tell a missing port from one the user may not open.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/WinTypes.h"

// Port handle values of the device pages: NULL (closed), the invalid-handle
// value (closed by the handle close alone), or the address of the open port.
using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the named port ("COM3", "//.//COM12", "/dev/ttyUSB0") for reading
  // and writing, exclusively, and sets 8N1 raw at baud with DTR and RTS on.
  // False on failure with LastError() holding the errno.
  bool Open(const std::string& name, DWORD baud);
  bool IsOpen() const { return m_fd >= 0; }
  int Fd() const { return m_fd; }
  int LastError() const { return m_lastError; }

  // Line settings at a new rate on the open port; any rate, including the
  // ones without a classic constant (14400, 921600 where missing).
  bool SetSpeed(DWORD baud);
  // One read of at most count bytes; returns at once with what is buffered.
  // A read without data is a success with read = 0.
  bool Read(void* buffer, std::size_t count, std::size_t& read);
  // Writes count bytes, waiting for room while the line drains. Gives up when
  // the line takes nothing for a few seconds (a hung or vanished device).
  bool Write(const void* buffer, std::size_t count, std::size_t& written);
  // Waits until data can be read, at most timeoutMs; true when it can.
  bool WaitReadable(int timeoutMs) const;
  // Discards what is queued in both directions.
  bool Purge();
  // Ends the waits in flight on other threads and closes the port once no
  // call uses it any more.
  bool Close();

 private:
  // One call's use of the descriptor. Close waits until none is in flight, so
  // a descriptor is never closed, or its number reused, under a call.
  class Use;
  // A receive thread may read while another thread writes or closes.
  std::atomic<int> m_fd{-1};
  std::atomic<int> m_lastError{0};
  mutable std::mutex m_useMutex;  // guards the three fields below
  mutable std::condition_variable m_usesEnded;
  mutable int m_nUses = 0;
  int m_wakeFd = -1;  // an event that ends the waits in flight when the port closes
};

// Applies raw 8N1, no flow control, VMIN/VTIME 0 and the rate to a terminal
// descriptor; errno is kept on failure.
bool ConfigureSerialLine(int fd, DWORD baud);
// Reads the output rate a terminal descriptor is set to.
bool GetSerialSpeed(int fd, DWORD& baud);
// A text for a failed open or transfer that a user can act on, for example a
// missing dialout group membership.
std::string DescribeSerialError(int err, const std::string& portName);
