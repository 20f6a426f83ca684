// The receive loop and the sector-sized exchange against the simulated logger.
#include <sys/resource.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "LinkFixture.h"
#include "framework/Thread.h"

namespace {

// The receive thread is started with the framework's worker-thread call.
static_assert(
    std::is_same_v<decltype(&CPageMTKTracklogSetting::ReceiveThreadProc), AFX_THREADPROC>);

std::vector<std::uint8_t> PatternImage() {
  std::vector<std::uint8_t> image(0x200000);
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 11));
  return image;
}

// Collects the data of the "$PMTK182,8," replies in the reply text.
std::vector<std::uint8_t> DecodeReplies(char* text, std::uint32_t& firstAddress, int& replies) {
  std::vector<std::uint8_t> data;
  replies = 0;
  for (char* p = text; (p = CPageMTKTracklogSetting::FindLogReply(p, 1 << 30)) != nullptr; ++p) {
    if (std::strncmp(p, "$PMTK182,8,", 11) != 0) continue;
    if (replies++ == 0)
      firstAddress = static_cast<std::uint32_t>(CPageMTKTracklogSetting::ParseHex(p + 11));
    char* hex = std::strchr(p + 11, ',') + 1;
    const std::size_t digits = std::strcspn(hex, "*");
    std::vector<std::uint8_t> piece(digits / 2);
    CPageMTKTracklogSetting::HexToBytes(hex, piece.data(), static_cast<int>(piece.size()));
    data.insert(data.end(), piece.begin(), piece.end());
  }
  return data;
}

TEST_F(LinkTest, ReceiveLoopCollectsAWholeSector) {
  const auto image = PatternImage();
  logger.SetLogImage(image);
  StartReceiveThread();
  ASSERT_TRUE(commands.PostLogCommand(7, 0x30000, 0x10000));
  g_bReceiving = 1;
  // 32 replies of 2048 bytes as hexadecimal text, then the acknowledgement.
  const int expected = 32 * (int)std::string("$PMTK182,8,00030000,*00\r\n").size() + 0x20000;
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() >= expected; }, kBoundMs))
      << commands.m_nReceivedBytes.load();
  StopReceiveThread();
  std::uint32_t first = 0;
  int replies = 0;
  auto lock = commands.LockReplyBuffer();
  const auto data = DecodeReplies(commands.GetReplyBuffer(), first, replies);
  EXPECT_EQ(replies, 32);
  EXPECT_EQ(first, 0x30000u);
  ASSERT_EQ(data.size(), 0x10000u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin() + 0x30000));
  EXPECT_EQ(logger.CountReceived("$PMTK182,7,30000,10000*"), 1);
}

TEST_F(LinkTest, ReceiveLoopStreamsAtHighSpeedWithPacing) {
  logger.SetLogImage(PatternImage());
  ASSERT_NE(commands.SendLogCommand(14, 921600, 0), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return logger.Baud() == 921600u; }, kBoundMs));
  device.SetPortHighSpeed();
  g_utilityManager.m_bHighSpeed = TRUE;
  logger.SetPacing(true);
  StartReceiveThread();
  ASSERT_TRUE(commands.PostLogCommand(7, 0, 0x4000));
  g_bReceiving = 1;
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() >= 8 * 4096; }, kBoundMs));
  StopReceiveThread();
  std::uint32_t first = 0;
  int replies = 0;
  auto lock = commands.LockReplyBuffer();
  EXPECT_EQ(DecodeReplies(commands.GetReplyBuffer(), first, replies).size(), 0x4000u);
}

TEST_F(LinkTest, ReceiveLoopGivesUpAfterItsIdleLimit) {
  commands.m_nReceiveIdleLimitMs = 150;
  commands.m_bTransferCancel = 0;
  StartReceiveThread();
  g_bReceiving = 1;
  // The logger stays silent: the transfer is cancelled and the loop ends.
  ASSERT_TRUE(WaitUntil([&] { return commands.m_bReceiveStop.load() != 0; }, kBoundMs));
  receiver.join();
  EXPECT_EQ(commands.m_bTransferCancel.load(), 1);
  EXPECT_EQ(g_bReceiving.load(), 0);
}

// CPU time of this process so far, in milliseconds.
long long ProcessCpuMs() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000LL +
         (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000;
}

TEST_F(LinkTest, ReceiveLoopWaitsOutALostPortWithoutSpinning) {
  for (bool vanish : {false, true}) {
    SCOPED_TRACE(vanish ? "adapter pulled out" : "handle closed");
    if (vanish) {  // open again after the handle close
      device.m_strComPort = logger.PortPath();
      ASSERT_TRUE(device.OpenPort());
    }
    commands.m_nReceiveIdleLimitMs = 600;
    commands.m_bTransferCancel = 0;
    StartReceiveThread();
    g_bReceiving = 1;
    if (vanish)
      logger.Vanish();
    else
      device.ClosePortHandle();  // the invalid-handle value stays behind
    const long long before = ProcessCpuMs();
    ASSERT_TRUE(WaitUntil([&] { return commands.m_bReceiveStop.load() != 0; }, kBoundMs));
    receiver.join();
    EXPECT_EQ(commands.m_bTransferCancel.load(), 1);
    // A loop that spun on the lost port would burn the whole silence.
    EXPECT_LT(ProcessCpuMs() - before, 200);
  }
}

TEST_F(LinkTest, ReceiveLoopDoesNotReadWhileCancelledOrBetweenSectors) {
  logger.SetLogImage(PatternImage());
  StartReceiveThread();
  ASSERT_TRUE(commands.PostLogCommand(7, 0, 0x800));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(commands.m_nReceivedBytes.load(), 0);  // g_bReceiving is clear
  commands.m_bTransferCancel = 1;
  g_bReceiving = 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(commands.m_nReceivedBytes.load(), 0);
  commands.m_bTransferCancel = 0;
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() >= 4096; }, kBoundMs));
}

TEST_F(LinkTest, ClearingWhileTheReceiverAppendsStartsTheTextAgain) {
  logger.SetLogImage(PatternImage());
  // Paced at 921600 baud the 16 replies take about 0.7 s, so the clear
  // lands in the middle of the stream even on a busy machine.
  logger.SetBaud(921600);
  device.SetPortHighSpeed();
  logger.SetPacing(true);
  StartReceiveThread();
  g_bReceiving = 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(commands.PostLogCommand(7, 0, 0x8000));
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() > 12000; }, kBoundMs));
  commands.ClearReplyBuffer();  // as the worker does before the next request
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() >= 16 * 4121; }, kBoundMs));
  StopReceiveThread();
  // Whatever came after the clear is text from the start of the buffer, with
  // no gap of zeros hiding it.
  auto lock = commands.LockReplyBuffer();
  const char* text = commands.GetReplyBuffer();
  const std::size_t len = std::strlen(text);
  EXPECT_GT(len, 0u);
  EXPECT_LT(len, 16u * 4121u);
  EXPECT_EQ(text[len + 1], '\0');
}

TEST_F(LinkTest, ReceiveLogDataStaysInsideTheBuffer) {
  logger.SetLogImage(PatternImage());
  char* buffer = commands.GetReplyBuffer();
  const std::size_t size = CPageMTKTracklogSetting::kReplyBufferSize;
  std::memset(buffer, 'A', size - 100);  // nearly full text
  ASSERT_TRUE(commands.PostLogCommand(7, 0, 0x800));
  std::memset(buffer, 'A', size - 100);  // (the post cleared it)
  char* result = commands.ReceiveLogData(0x800);
  ASSERT_EQ(result, buffer);
  EXPECT_EQ(buffer[size - 1], '\0');
  EXPECT_EQ(std::strlen(buffer), size - 1);
  EXPECT_EQ(std::strncmp(buffer + size - 100, "$PMTK182,8,", 11), 0);
}

TEST_F(LinkTest, ReceiveLogDataTrimsToTheFirstLogReply) {
  logger.SetLogImage(PatternImage());
  sim::Faults f;
  f.straySentences = 2;
  f.garbageBytes = 20;
  logger.SetFaults(f);
  g_bTrimToLogReply = 1;
  // One piece is less than the exchange waits for; the rest is silence,
  // which ends the exchange after the idle limit with what came.
  commands.m_nReceiveIdleLimitMs = 200;
  ASSERT_TRUE(commands.PostLogCommand(7, 0x800, 0x800));
  // The answer is on the line before the exchange starts to count silence.
  ASSERT_TRUE(logger.WaitUntilInputHandled(kBoundMs));
  char* text = commands.ReceiveLogData(0x800);
  g_bTrimToLogReply = 0;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::strncmp(text, "$PMTK182,8,00000800,", 20), 0);
  EXPECT_GE(std::strlen(text), 2u * 0x800 + 20);
}

TEST_F(LinkTest, SizedCommandReadsTheWholeReply) {
  logger.SetLogImage(PatternImage());
  g_nPollPauseMs = 38;
  // Reads of 6 bytes per requested byte: a set of 50 reads up to 300 bytes.
  char* reply = commands.SendLogCommandSized(1, 3, 50);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$PMTK001,182,1", 14), 0);
  EXPECT_EQ(logger.LogParameter(3), 50u);
  reply = commands.SendLogCommandSized(7, 0x1F0000, 16);
  ASSERT_NE(reply, nullptr);  // type 7: one poll, whatever it holds
  // A length that would read past the buffer is bounded, not trusted.
  sim::Faults f;
  f.silent = true;
  logger.SetFaults(f);
  UseSleepDivisor(38);
  EXPECT_EQ(commands.SendLogCommandSized(1, 3, 0x7FFFFFFF), nullptr);
}

}  // namespace

namespace {

TEST_F(LinkTest, ClosingThePortUnderTheReceiveLoopStopsItsReads) {
  logger.SetLogImage(PatternImage());
  StartReceiveThread();
  g_bReceiving = 1;
  ASSERT_TRUE(commands.PostLogCommand(7, 0, 0x10000));
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() > 0; }, kBoundMs));
  device.PurgePort();
  device.ClosePort();  // the window closes during a transfer
  // Once the loop pauses as a loop without a port does, a read in flight
  // has landed.
  const int pauses = pauses5;
  ASSERT_TRUE(WaitUntil([&] { return pauses5 > pauses + 1; }, kBoundMs));
  const int received = commands.m_nReceivedBytes.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(commands.m_nReceivedBytes.load(), received);
  EXPECT_EQ(commands.m_bTransferCancel.load(), 0);
  StopReceiveThread();
}

}  // namespace

namespace {

TEST_F(LinkTest, DiscardedTextMakesRoomAndNewDataFollowsTheRest) {
  logger.SetLogImage(PatternImage());
  logger.SetBaud(921600);
  device.SetPortHighSpeed();
  logger.SetPacing(true);  // a piece takes about 45 ms
  StartReceiveThread();
  g_bReceiving = 1;
  ASSERT_TRUE(commands.PostLogCommand(7, 0, 0x1000));
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() >= 4121; }, kBoundMs));
  commands.DiscardReceived(4121);  // the first data reply
  ASSERT_TRUE(WaitUntil([&] { return commands.m_nReceivedBytes.load() >= 4121; }, kBoundMs));
  StopReceiveThread();
  {
    auto lock = commands.LockReplyBuffer();
    // The second reply follows what was left of the first: no gap of zeros.
    const char* text = commands.GetReplyBuffer();
    EXPECT_EQ(std::strncmp(text, "$PMTK182,8,00000800,", 20), 0) << std::string(text, 30);
  }
  commands.DiscardReceived(1 << 30);  // more than there is: empties it
  EXPECT_EQ(commands.GetReplyBuffer()[0], '\0');
}

}  // namespace
