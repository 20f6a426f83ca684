#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
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

class SerialPort::Use {
 public:
  explicit Use(const SerialPort& port) : m_port(port) {
    std::lock_guard lock(port.m_useMutex);
    m_fd = port.m_fd;
    if (m_fd < 0) return;
    m_wakeFd = port.m_wakeFd;
    ++port.m_nUses;
  }
  ~Use() {
    if (m_fd < 0) return;
    std::lock_guard lock(m_port.m_useMutex);
    if (--m_port.m_nUses == 0) m_port.m_usesEnded.notify_all();
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  // The descriptor, -1 when the port is closed.
  int Fd() const { return m_fd; }
  // Polls the descriptor for events (left in revents) as poll does; -1 with
  // EBADF when Close ends the wait.
  int Poll(short events, int timeoutMs, short& revents) const {
    pollfd fds[2] = {{m_fd, events, 0}, {m_wakeFd, POLLIN, 0}};
    const int r = ::poll(fds, m_wakeFd >= 0 ? 2 : 1, timeoutMs);
    revents = fds[0].revents;
    if (r > 0 && fds[1].revents != 0) {
      errno = EBADF;  // the port is closing
      return -1;
    }
    return r;
  }

 private:
  const SerialPort& m_port;
  int m_fd = -1;
  int m_wakeFd = -1;
};

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
  const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) {
    m_lastError = errno;
    ::close(fd);
    return false;
  }
  {
    std::lock_guard lock(m_useMutex);
    m_wakeFd = wake;
    m_fd = fd;
  }
  m_lastError = 0;
  return true;
}

bool SerialPort::SetSpeed(DWORD baud) {
  const Use use(*this);
  if (use.Fd() < 0) {
    m_lastError = EBADF;
    return false;
  }
  if (!ConfigureSerialLine(use.Fd(), baud)) {
    m_lastError = errno;
    return false;
  }
  return true;
}

bool SerialPort::Read(void* buffer, std::size_t count, std::size_t& read) {
  read = 0;
  const Use use(*this);
  const int fd = use.Fd();
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
  const Use use(*this);
  const int fd = use.Fd();
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
    short revents = 0;
    int r = use.Poll(POLLOUT, kWriteStallMs, revents);
    if (r == 0) {
      m_lastError = ETIMEDOUT;
      return false;
    }
    if (r < 0 && errno != EINTR) {
      m_lastError = errno;
      return false;
    }
    if (r > 0 && (revents & (POLLERR | POLLHUP | POLLNVAL)) && !(revents & POLLOUT)) {
      m_lastError = EIO;
      return false;
    }
  }
  return true;
}

bool SerialPort::WaitReadable(int timeoutMs) const {
  const Use use(*this);
  if (use.Fd() < 0) return false;
  short revents = 0;
  const int r = use.Poll(POLLIN, timeoutMs, revents);
  return r > 0 && (revents & (POLLIN | POLLHUP | POLLERR));
}

bool SerialPort::Purge() {
  const Use use(*this);
  if (use.Fd() < 0) {
    m_lastError = EBADF;
    return false;
  }
  if (::tcflush(use.Fd(), TCIOFLUSH) != 0) {
    m_lastError = errno;
    return false;
  }
  return true;
}

bool SerialPort::Close() {
  int fd = -1;
  {
    std::unique_lock lock(m_useMutex);
    fd = m_fd.exchange(-1);
    if (fd < 0) return false;
    // New calls find the port closed; those in flight are woken and waited for.
    (void)::eventfd_write(m_wakeFd, 1);
    m_usesEnded.wait(lock, [this] { return m_nUses == 0; });
    ::close(m_wakeFd);
    m_wakeFd = -1;
  }
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
