#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ComPortNames.h"

namespace {

// A write that makes no progress for this long counts as a failed write.
constexpr int kWriteStallMs = 3000;

}  // namespace

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(const std::string& name, DWORD baud) {
  Close();
  const std::string path = ResolveComPortName(name);
  if (path.empty()) {
    m_lastError = ENOENT;
    return false;
  }
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    m_lastError = errno;
    return false;
  }
  // No sharing: refuse a port another program holds, and keep others out.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
    m_lastError = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return false;
  }
  if (!::isatty(fd)) {
    m_lastError = ENOTTY;
    ::close(fd);
    return false;
  }
  // The line settings' result is not fatal (a driver may refuse a rate it
  // cannot do), as with the other line operations.
  ConfigureSerialLine(fd, baud);
  // DTR and RTS held on; a pseudo-terminal refuses modem lines, which is fine.
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)::ioctl(fd, TIOCMBIS, &lines);
  m_fd = fd;
  m_lastError = 0;
  return true;
}

bool SerialPort::SetSpeed(DWORD baud) {
  if (m_fd < 0) {
    m_lastError = EBADF;
    return false;
  }
  if (!ConfigureSerialLine(m_fd, baud)) {
    m_lastError = errno;
    return false;
  }
  return true;
}

bool SerialPort::Read(void* buffer, std::size_t count, std::size_t& read) {
  read = 0;
  const int fd = m_fd;
  if (fd < 0) {
    m_lastError = EBADF;
    return false;
  }
  if (count == 0) return true;
  ssize_t n = ::read(fd, buffer, count);
  if (n < 0) {
    if (errno == EAGAIN || errno == EINTR) return true;
    m_lastError = errno;
    return false;
  }
  read = static_cast<std::size_t>(n);
  return true;
}

bool SerialPort::Write(const void* buffer, std::size_t count, std::size_t& written) {
  written = 0;
  const int fd = m_fd;
  if (fd < 0) {
    m_lastError = EBADF;
    return false;
  }
  const char* p = static_cast<const char*>(buffer);
  while (written < count) {
    ssize_t n = ::write(fd, p + written, count - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      m_lastError = errno;
      return false;
    }
    pollfd pfd{fd, POLLOUT, 0};
    int r = ::poll(&pfd, 1, kWriteStallMs);
    if (r == 0) {
      m_lastError = ETIMEDOUT;
      return false;
    }
    if (r < 0 && errno != EINTR) {
      m_lastError = errno;
      return false;
    }
    if (r > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pfd.revents & POLLOUT)) {
      m_lastError = EIO;
      return false;
    }
  }
  return true;
}

bool SerialPort::WaitReadable(int timeoutMs) const {
  const int fd = m_fd;
  if (fd < 0) return false;
  pollfd pfd{fd, POLLIN, 0};
  int r = ::poll(&pfd, 1, timeoutMs);
  return r > 0 && (pfd.revents & (POLLIN | POLLHUP | POLLERR));
}

bool SerialPort::Purge() {
  if (m_fd < 0) {
    m_lastError = EBADF;
    return false;
  }
  if (::tcflush(m_fd, TCIOFLUSH) != 0) {
    m_lastError = errno;
    return false;
  }
  return true;
}

bool SerialPort::Close() {
  const int fd = m_fd.exchange(-1);
  if (fd < 0) return false;
  // The exclusive mode belongs to the terminal, not to this descriptor: it
  // would outlive the close while another holder (a simulated logger's end of
  // a pseudo-terminal) keeps the terminal open, and refuse the next open.
  (void)::ioctl(fd, TIOCNXCL);
  if (::close(fd) != 0) {
    m_lastError = errno;
    return false;
  }
  return true;
}

std::string DescribeSerialError(int err, const std::string& portName) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "The port " + portName + " does not exist (is the logger plugged in?)";
    case EACCES:
    case EPERM:
      return "Permission denied on " + portName +
             ": add your user to the dialout group (sudo adduser $USER dialout), then log in again";
    case EBUSY:
      return "The port " + portName + " is in use by another program";
    case EIO:
      return "The port " + portName + " stopped answering (device removed?)";
    default:
      return "The port " + portName + " cannot be used: " + std::strerror(err);
  }
}
