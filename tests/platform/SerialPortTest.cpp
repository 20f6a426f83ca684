#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/SerialPort.h"
#include "support/test_support.h"

namespace {

// A bare pseudo-terminal pair; the test plays the device on the master.
class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    char name[128] = {};
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 &&
        ptsname_r(master_, name, sizeof name) == 0)
      path_ = name;
  }
  ~Pty() {
    if (master_ >= 0) close(master_);
  }
  const std::string& path() const { return path_; }
  int master() const { return master_; }
  std::string ReadMaster(std::size_t want, int timeoutMs = 1000) {
    std::string got;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    while (got.size() < want && std::chrono::steady_clock::now() < end) {
      char buf[256];
      ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0)
        got.append(buf, static_cast<std::size_t>(n));
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return got;
  }

 private:
  int master_ = -1;
  std::string path_;
};

std::string ReadAvailable(SerialPort& port, int timeoutMs = 1000) {
  std::string got;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    char buf[256];
    std::size_t n = 0;
    if (port.WaitReadable(10) && port.Read(buf, sizeof buf, n) && n > 0) {
      got.append(buf, n);
      end = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
    }
  }
  return got;
}

TEST(SerialPortTest, RawBytesBothWaysWithoutTranslation) {
  Pty pty;
  ASSERT_FALSE(pty.path().empty());
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.path(), 38400)) << port.LastError();
  // CR, LF and control bytes pass untouched in both directions; nothing echoes.
  const std::string out = std::string("$PMTK400*36\r\n\x03\x11\x13\x00", 17);
  std::size_t written = 0;
  ASSERT_TRUE(port.Write(out.data(), out.size(), written));
  EXPECT_EQ(written, out.size());
  EXPECT_EQ(pty.ReadMaster(out.size()), out);
  const std::string in = std::string("\r\n\r\x7f\x04$X*00\r\n", 13);
  ASSERT_EQ(write(pty.master(), in.data(), in.size()), static_cast<ssize_t>(in.size()));
  EXPECT_EQ(ReadAvailable(port), in);
}

TEST(SerialPortTest, ReadReturnsAtOnceWhenNothingIsBuffered) {
  Pty pty;
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.path(), 38400));
  char buf[80];
  std::size_t n = 99;
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(port.Read(buf, sizeof buf, n));
  EXPECT_EQ(n, 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST(SerialPortTest, SetsEveryRateTheLinkUses) {
  Pty pty;
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.path(), 14400));
  DWORD baud = 0;
  ASSERT_TRUE(GetSerialSpeed(port.Fd(), baud));
  EXPECT_EQ(baud, 14400u);
  for (DWORD rate : {4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 921600u}) {
    ASSERT_TRUE(port.SetSpeed(rate)) << rate;
    ASSERT_TRUE(GetSerialSpeed(port.Fd(), baud));
    EXPECT_EQ(baud, rate);
  }
}

TEST(SerialPortTest, PurgeDropsWhatWasReceived) {
  Pty pty;
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.path(), 38400));
  ASSERT_EQ(write(pty.master(), "stale", 5), 5);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(port.Purge());
  ASSERT_EQ(write(pty.master(), "fresh", 5), 5);
  EXPECT_EQ(ReadAvailable(port), "fresh");
}

// True once the thread tid is blocked in poll or ppoll.
bool BlockedInPoll(pid_t tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
  long number = -1;  // "running" when the thread is not in a call
  in >> number;
#ifdef SYS_poll
  if (number == SYS_poll) return true;
#endif
  return number == SYS_ppoll;
}

TEST(SerialPortTest, CloseEndsAWaitInFlightAndClosesAfterIt) {
  Pty pty;
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.path(), 38400));
  std::atomic<pid_t> waiter{0};
  std::atomic<bool> waited{false};
  std::thread receiver([&] {
    waiter = gettid();
    port.WaitReadable(600000);  // nothing comes
    waited = true;
  });
  ASSERT_TRUE(testsupport::WaitUntil([&] { return waiter != 0 && BlockedInPoll(waiter); }));
  // The descriptor must not be closed under the wait: the close ends it first.
  port.Close();
  EXPECT_TRUE(testsupport::WaitUntil([&] { return waited.load(); }));
  if (!waited) (void)write(pty.master(), "x", 1);  // let a stuck wait go
  receiver.join();
}

TEST(SerialPortTest, SecondOpenOfTheSamePortIsRefused) {
  Pty pty;
  SerialPort first, second;
  ASSERT_TRUE(first.Open(pty.path(), 38400));
  EXPECT_FALSE(second.Open(pty.path(), 38400));
  EXPECT_EQ(second.LastError(), EBUSY);
  first.Close();
  EXPECT_TRUE(second.Open(pty.path(), 38400));
}

TEST(SerialPortTest, FailuresKeepTheirCause) {
  SerialPort port;
  EXPECT_FALSE(port.Open("/dev/navrel-no-such-port", 38400));
  EXPECT_EQ(port.LastError(), ENOENT);
  EXPECT_NE(DescribeSerialError(ENOENT, "COM7").find("does not exist"), std::string::npos);
  EXPECT_NE(DescribeSerialError(EACCES, "COM7").find("dialout"), std::string::npos);

  if (geteuid() != 0) {  // root opens anything
    testsupport::TempDir dir;
    auto locked = dir.path() / "ttyLocked";
    std::ofstream(locked) << "";
    chmod(locked.c_str(), 0);
    EXPECT_FALSE(port.Open(locked.string(), 38400));
    EXPECT_EQ(port.LastError(), EACCES);
  }
  testsupport::TempDir dir;
  auto plain = dir.path() / "notatty";
  std::ofstream(plain) << "x";
  EXPECT_FALSE(port.Open(plain.string(), 38400));
  EXPECT_EQ(port.LastError(), ENOTTY);

  char buf[4];
  std::size_t n = 0;
  EXPECT_FALSE(port.Read(buf, sizeof buf, n));
  EXPECT_FALSE(port.Write(buf, sizeof buf, n));
  EXPECT_FALSE(port.Close());
}

TEST(SerialPortTest, VanishedDeviceFailsWritesInsteadOfHanging) {
  auto pty = std::make_unique<Pty>();
  SerialPort port;
  ASSERT_TRUE(port.Open(pty->path(), 38400));
  pty.reset();  // the adapter is pulled out
  std::size_t n = 0;
  EXPECT_FALSE(port.Write("$PMTK400*36\r\n", 13, n));
  char buf[16];
  port.Read(buf, sizeof buf, n);
  EXPECT_EQ(n, 0u);
}

}  // namespace
