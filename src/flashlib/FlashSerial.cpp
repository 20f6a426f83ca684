#include "flashlib/FlashSerial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace flashlib {

namespace {

speed_t SpeedConstant(int baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      return B38400;
  }
}

}  // namespace

SerialTransport::~SerialTransport() { Close(); }

bool SerialTransport::Open(const std::string& device, int baud) {
  Close();
  fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  ::ioctl(fd_, TIOCEXCL);
  termios tio{};
  if (::tcgetattr(fd_, &tio) == 0) {
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    ::cfsetispeed(&tio, SpeedConstant(baud));
    ::cfsetospeed(&tio, SpeedConstant(baud));
    ::tcsetattr(fd_, TCSANOW, &tio);
  }
  ::tcflush(fd_, TCIOFLUSH);
  return true;
}

void SerialTransport::Close() {
  // Leave the terminal shareable again for the program's next open.
  if (fd_ >= 0) ::ioctl(fd_, TIOCNXCL);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool SerialTransport::Write(const std::uint8_t* data, std::size_t n) {
  std::size_t sent = 0;
  while (sent < n) {
    ssize_t w = ::write(fd_, data + sent, n - sent);
    if (w > 0) {
      sent += static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EAGAIN) {
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, 1000) <= 0) return false;
    } else if (!(w < 0 && errno == EINTR)) {
      return false;
    }
  }
  return true;
}

int SerialTransport::Read(std::uint8_t* data, std::size_t n, int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  int ready = ::poll(&p, 1, timeoutMs);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  if (ready == 0) return 0;
  if (p.revents & (POLLERR | POLLNVAL)) return -1;
  ssize_t r = ::read(fd_, data, n);
  if (r < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
  if (r == 0 && (p.revents & POLLHUP)) return -1;
  return static_cast<int>(r);
}

}  // namespace flashlib
