// The command layer against the simulated logger through the serial layer.
#include <cstring>
#include <string>

#include "LinkFixture.h"

namespace {

TEST_F(LinkTest, QueryAnsweredAndValueRead) {
  logger.SetLogParameter(8, 0x1F400);
  char* reply = commands.SendLogCommand(2, 8, 0);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$PMTK182,3,8,", 13), 0);
  // The free-space reading skips the value's first digit: the logger writes
  // it with eight digits, so that digit is a leading zero.
  std::string copy = reply;
  EXPECT_EQ(CPageMTKTracklogSetting::ParseHex(
                CPageMTKTracklogSetting::GetLogReplyField(copy.data(), 14, 8)),
            0x1F400);
  EXPECT_EQ(CPageMTKTracklogSetting::ParseLogReplyValue(reply, TRUE), 128000);
  ASSERT_EQ(logger.Received().size(), 1u);
  EXPECT_EQ(logger.Received()[0], "$PMTK182,2,8*33");
}

TEST_F(LinkTest, ChipsetQueryAndMakerSentences) {
  char* reply = commands.SendLogCommand(400, 0, 0);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$PMTK001", 8), 0);

  logger.SetVersions("123", "C12");
  reply = commands.SendMakerCommand(3);
  ASSERT_NE(reply, nullptr);
  ASSERT_TRUE(CPageMTKTracklogSetting::IsSentenceComplete(reply, 256));
  EXPECT_STREQ(CPageMTKTracklogSetting::GetMakerReplyField(reply, 12, 3), "123");
  reply = commands.SendMakerCommand(7, "ignored");
  ASSERT_NE(reply, nullptr);
  EXPECT_STREQ(CPageMTKTracklogSetting::GetMakerReplyField(reply, 12, 3), "C12");
  EXPECT_EQ(logger.CountReceived("$VANTO710,7*"), 1);
}

TEST_F(LinkTest, DeviceQueriesOfEveryModel) {
  const std::pair<sim::Model, const char*> models[] = {{sim::Model::R710, "$PVNT852,TX370"},
                                                       {sim::Model::TX380, "$PVNT852,TX380"},
                                                       {sim::Model::R3500, "$PVNT852,R3500"},
                                                       {sim::Model::R3300D, "$PVNT852,R3300D"}};
  for (const auto& [model, expected] : models) {
    logger.SetModel(model);
    char* reply = commands.SendDeviceQuery(810);
    ASSERT_NE(reply, nullptr) << expected;
    EXPECT_EQ(std::strncmp(reply, expected, std::strlen(expected)), 0);
    EXPECT_TRUE(CPageMTKTracklogSetting::IsSentenceComplete(reply, 256));
  }
  logger.SetVersions("101", "023");
  char* reply = commands.SendDeviceQuery(861);
  ASSERT_NE(reply, nullptr);
  EXPECT_STREQ(CPageMTKTracklogSetting::GetDeviceReplyField(reply, 9, 3), "101");
  reply = commands.SendDeviceQuery(865);
  ASSERT_NE(reply, nullptr);
  EXPECT_STREQ(CPageMTKTracklogSetting::GetDeviceReplyField(reply, 9, 3), "023");
}

TEST_F(LinkTest, SilentModelQueryGivesNoReply) {
  logger.SetModel(sim::Model::R710);
  logger.SetAnswersModelQuery(false);
  UseSleepDivisor(38);
  EXPECT_EQ(commands.SendDeviceQuery(810), nullptr);
  UseSleepDivisor(1);
  ASSERT_NE(commands.SendMakerCommand(1), nullptr);  // the identify command still answers
}

TEST_F(LinkTest, EchoAloneIsNoAnswerAndPollingGoesOn) {
  sim::Faults f;
  f.echo = true;
  f.replyDelayMs = 150;  // the echo arrives in a read of its own
  logger.SetFaults(f);
  char* reply = commands.SendLogCommand(2, 6, 0);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$PMTK182,3,6,", 13), 0);
}

TEST_F(LinkTest, LogAnswerMustStartTheReadButMakerAnswersMayNot) {
  sim::Faults f;
  f.straySentences = 1;
  logger.SetFaults(f);
  UseSleepDivisor(38);
  EXPECT_EQ(commands.SendLogCommand(2, 8, 0), nullptr);
  UseSleepDivisor(1);
  char* reply = commands.SendMakerCommand(3);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$VANTO001,3,", 12), 0);
}

TEST_F(LinkTest, GarbageBeforeAReplyAndBadChecksums) {
  sim::Faults f;
  f.garbageBytes = 30;
  logger.SetFaults(f);
  char* reply = commands.SendDeviceQuery(865);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$PVNT865,", 9), 0);
  // The command layer itself does not judge checksums; a damaged reply is
  // still a complete sentence for its callers.
  f = {};
  f.badChecksum = true;
  logger.SetFaults(f);
  reply = commands.SendDeviceQuery(861);
  ASSERT_NE(reply, nullptr);
  EXPECT_TRUE(CPageMTKTracklogSetting::IsSentenceComplete(reply, 256));
}

TEST_F(LinkTest, ReplySplitJustAfterTheStarIsIncomplete) {
  sim::Faults f;
  f.splitAfterStar = true;
  f.splitDelayMs = 200;
  logger.SetFaults(f);
  char* reply = commands.SendDeviceQuery(810);
  ASSERT_NE(reply, nullptr);
  EXPECT_FALSE(CPageMTKTracklogSetting::IsSentenceComplete(reply, 256));
  // Split in the middle of the head: the head's first part is overwritten by
  // the next read, so the reply is never recognised.
  f.splitAfterStar = false;
  f.splitAt = 4;
  logger.SetFaults(f);
  UseSleepDivisor(38);
  EXPECT_EQ(commands.SendDeviceQuery(810), nullptr);
}

TEST_F(LinkTest, SilenceGivesNullAfterTheLimit) {
  sim::Faults f;
  f.silent = true;
  logger.SetFaults(f);
  UseSleepDivisor(38);
  EXPECT_EQ(commands.SendLogCommand(2, 8, 0), nullptr);
  EXPECT_EQ(commands.SendMakerCommand(3), nullptr);
  EXPECT_EQ(commands.SendDeviceQuery(861), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return logger.CountReceived("$") == 3; }, kBoundMs));
}

TEST_F(LinkTest, RetryGivesUpAfterFiftyResendsAndMarksTheLinkLost) {
  sim::Faults f;
  f.silent = true;
  logger.SetFaults(f);
  UseSleepDivisor(38);
  device.m_bCommandDone = FALSE;
  char* reply = commands.SendLogCommandRetry(2, 3, 0);
  EXPECT_TRUE(commands.IsNotConnected(reply));
  EXPECT_TRUE(g_utilityManager.m_bLinkLost);
  EXPECT_TRUE(device.m_bCommandDone);
  EXPECT_TRUE(WaitUntil([&] { return logger.CountReceived("$PMTK182,2,3*") == 51; }, kBoundMs));
}

TEST_F(LinkTest, RetryOfASetSendsItTwiceAndErasesOnce) {
  char* reply = commands.SendLogCommandRetry(1, 3, 50);
  ASSERT_NE(reply, nullptr);
  EXPECT_FALSE(commands.IsNotConnected(reply));
  EXPECT_EQ(logger.CountReceived("$PMTK182,1,3,50*"), 2);
  EXPECT_EQ(logger.LogParameter(3), 50u);

  logger.SetLogParameter(8, 0x4000);
  std::vector<std::uint8_t> image(0x200000, 0x11);
  logger.SetLogImage(image);
  reply = commands.SendLogCommandRetry(6, 1, 0);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$PMTK001,182,6", 14), 0);
  EXPECT_EQ(logger.CountReceived("$PMTK182,6,1*"), 1);
  EXPECT_EQ(logger.LogParameter(8), 0u);
  EXPECT_EQ(logger.LogImage()[0], 0xFF);
}

TEST_F(LinkTest, ClosedLinkAnswersNotConnectedAndClosesThePort) {
  g_bPortOpen = FALSE;
  EXPECT_TRUE(commands.IsNotConnected(commands.SendLogCommand(2, 8, 0)));
  EXPECT_EQ(device.m_hComPort, nullptr);
  EXPECT_TRUE(commands.IsNotConnected(commands.SendMakerCommand(2)));
  EXPECT_TRUE(commands.IsNotConnected(commands.SendDeviceQuery(810)));
  EXPECT_TRUE(commands.IsNotConnected(commands.SendLogCommandSized(2, 8, 0)));
  EXPECT_FALSE(commands.PostLogCommand(7, 0, 0x10000));
  // Fifty resends of "Not Connected", at once, then the link counts as lost.
  EXPECT_TRUE(commands.IsNotConnected(commands.SendLogCommandRetry(2, 8, 0)));
  EXPECT_TRUE(g_utilityManager.m_bLinkLost);
  EXPECT_TRUE(commands.IsNotConnected(commands.SendLogCommandRetry(1, 3, 50)));
  EXPECT_TRUE(logger.Received().empty());
}

TEST_F(LinkTest, MissingReplyBufferAnswersNotConnected) {
  commands.FreeReplyBuffer();
  EXPECT_TRUE(commands.IsNotConnected(commands.SendLogCommand(2, 8, 0)));
  EXPECT_TRUE(commands.IsNotConnected(commands.SendMakerCommand(3)));
  EXPECT_TRUE(commands.IsNotConnected(commands.SendDeviceQuery(861)));
  EXPECT_TRUE(commands.IsNotConnected(commands.SendLogCommandRetry(6, 1, 0)));
  EXPECT_TRUE(commands.IsNotConnected(commands.ReceiveLogData(100)));
  EXPECT_FALSE(commands.PostLogCommand(7, 0, 16));
  commands.ClearReplyBuffer();
}

TEST_F(LinkTest, SpeedChangeNeedsThePortReconfigured) {
  char* reply = commands.SendLogCommand(14, 921600, 0);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(std::strncmp(reply, "$PMTK001,182,14", 15), 0);
  EXPECT_TRUE(WaitUntil([&] { return logger.Baud() == 921600u; }, kBoundMs));
  UseSleepDivisor(38);
  EXPECT_EQ(commands.SendLogCommand(2, 8, 0), nullptr);  // still at 38400 here
  UseSleepDivisor(1);
  device.SetPortHighSpeed();
  g_utilityManager.m_bHighSpeed = TRUE;
  pauses100 = 0;
  reply = commands.SendLogCommand(14, 38400, 0);
  ASSERT_NE(reply, nullptr);
  // "$PMTK182,14,38400*xx\r\n" is 22 bytes: two pieces, each with its pause.
  EXPECT_EQ(pauses100, 2);
  EXPECT_TRUE(WaitUntil([&] { return logger.Baud() == 38400u; }, kBoundMs));
  g_utilityManager.m_bHighSpeed = FALSE;
  device.RestorePortSpeed();
  EXPECT_NE(commands.SendLogCommand(2, 8, 0), nullptr);
}

TEST_F(LinkTest, HighSpeedPiecesOfAThirtyTwoByteSentence) {
  // "$PMTK182,7,1F0000,10*xx\r\n" is 25 bytes; "$PMTK182,7,1F0000,100000*xx\r\n"
  // is 29; a sentence of 32 bytes must go as two full pieces.
  const std::string s = CPageMTKTracklogSetting::BuildLogSentence(7, 0x1F0000, 0x1000000);
  ASSERT_EQ(s.size(), 30u);
  const std::string s32 = CPageMTKTracklogSetting::BuildLogSentence(7, 0x1F00000, 0x10000000);
  ASSERT_EQ(s32.size(), 32u);
  logger.SetBaud(921600);
  device.SetPortHighSpeed();
  g_utilityManager.m_bHighSpeed = TRUE;
  pauses100 = 0;
  commands.SendLogCommand(7, 0x1F00000, 0x10000000);
  EXPECT_EQ(pauses100, 2);
  EXPECT_TRUE(logger.WaitForSentence(s32.substr(0, s32.size() - 2), kBoundMs));
}

TEST_F(LinkTest, OnlyPostedReadsGoInPiecesAtHighSpeed) {
  logger.SetBaud(921600);
  device.SetPortHighSpeed();
  g_utilityManager.m_bHighSpeed = TRUE;
  // "$PMTK182,7,0,800*xx\r\n" is 21 bytes: two pieces, a short pause after each.
  ASSERT_TRUE(commands.PostLogCommand(7, 0, 0x800));
  EXPECT_EQ(pauses50, 2);
  EXPECT_EQ(pauses100, 0);
  EXPECT_TRUE(logger.WaitForSentence("$PMTK182,7,0,800*", kBoundMs));
  // Any other posted command goes out in one write.
  pauses50 = 0;
  ASSERT_TRUE(commands.PostLogCommand(1, 3, 50));
  EXPECT_EQ(pauses50, 0);
  EXPECT_TRUE(logger.WaitForSentence("$PMTK182,1,3,50*", kBoundMs));
}

TEST_F(LinkTest, VanishedPortMidReplyIsNoAnswer) {
  sim::Faults f;
  f.vanishAfterBytes = 6;
  logger.SetFaults(f);
  UseSleepDivisor(38);
  EXPECT_EQ(commands.SendDeviceQuery(861), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return logger.Vanished(); }, kBoundMs));
  // Later sends fail quietly instead of hanging or crashing.
  EXPECT_EQ(commands.SendLogCommand(2, 8, 0), nullptr);
  DWORD written = 0;
  EXPECT_FALSE(device.WritePort("$PMTK400*36\r\n", 13, &written));
}

}  // namespace
