// The simulated logger's own mechanics that other suites build on.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/SerialPort.h"
#include "sim/SimLogger.h"

namespace {

// What the logger sends within ms, or until want bytes have come.
std::string ReadFor(SerialPort& port, int ms, std::size_t want = SIZE_MAX) {
  std::string got;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (got.size() < want && std::chrono::steady_clock::now() < end) {
    char buf[256];
    std::size_t n = 0;
    if (port.WaitReadable(5) && port.Read(buf, sizeof buf, n)) got.append(buf, n);
  }
  return got;
}

void Write(SerialPort& port, const std::string& bytes) {
  std::size_t n = 0;
  ASSERT_TRUE(port.Write(bytes.data(), bytes.size(), n));
}

TEST(SimLoggerTest, HandlersOverrideAndBinaryExchangesTakeTheLine) {
  sim::SimLogger logger;
  SerialPort port;
  ASSERT_TRUE(port.Open(logger.PortPath(), 38400));
  logger.AddHandler("$PVNT810", [](sim::SimLogger& l, const std::string&) {
    l.SendSentence("$PVNT852,CUSTOM");
    return true;
  });
  // A byte handler that owns the line from a handshake byte on.
  bool binary = false;
  logger.AddByteHandler([&](sim::SimLogger& l, const std::uint8_t* data, std::size_t n) {
    if (!binary && !(n > 0 && data[0] == 0xA0)) return false;
    binary = true;
    l.Send(std::string(n, '\x5F'));
    return true;
  });
  Write(port, "$PVNT810*25\r\n");
  const std::string custom = sim::SimLogger::WithChecksum("$PVNT852,CUSTOM");
  EXPECT_EQ(ReadFor(port, 2000, custom.size()), custom);
  Write(port, std::string("\xA0\x0A\x50", 3));
  EXPECT_EQ(ReadFor(port, 2000, 3), std::string(3, '\x5F'));
  Write(port, "$PVNT810*25\r\n");  // the binary exchange still has the line
  EXPECT_EQ(ReadFor(port, 2000, 13), std::string(13, '\x5F'));
}

TEST(SimLoggerTest, DamagedSentencesAreRecordedButNotAnswered) {
  sim::SimLogger logger;
  SerialPort port;
  ASSERT_TRUE(port.Open(logger.PortPath(), 38400));
  Write(port, "junk$PVNT810*26\r\n$PVNT829*2F\r\n");
  const std::string reply = sim::SimLogger::WithChecksum("$PVNT861,101");
  EXPECT_EQ(ReadFor(port, 2000, reply.size()), reply);
  ASSERT_EQ(logger.Received().size(), 2u);
  EXPECT_EQ(logger.Received()[0], "$PVNT810*26");
}

TEST(SimLoggerTest, InputAtAnotherRateIsNoise) {
  sim::SimLogger logger;
  SerialPort port;
  ASSERT_TRUE(port.Open(logger.PortPath(), 115200));
  Write(port, "$PVNT829*2F\r\n");
  EXPECT_EQ(ReadFor(port, 60), "");
  EXPECT_TRUE(logger.Received().empty());
}

TEST(SimLoggerTest, PacingHoldsTheLineRate) {
  sim::SimLogger logger;
  SerialPort port;
  ASSERT_TRUE(port.Open(logger.PortPath(), 38400));
  logger.SetPacing(true);
  // 2048 bytes of data as 4096 digits: about 1.07 s at 3840 bytes per second.
  auto start = std::chrono::steady_clock::now();
  Write(port, sim::SimLogger::WithChecksum("$PMTK182,7,0,400"));
  std::string got;
  while (got.find("$PMTK001") == std::string::npos &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
    got += ReadFor(port, 20);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  EXPECT_GT(ms, 450);  // 1024 bytes of data at 38400 baud: about 0.55 s
  EXPECT_LT(ms, 1500);
}

}  // namespace
