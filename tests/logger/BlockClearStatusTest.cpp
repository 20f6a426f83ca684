// The clear and log status exchanges against the simulated logger.
#include "logger/BlockTransferFixture.h"

namespace {

using BlockClearStatus = BlockTransferTest;

TEST_F(BlockClearStatus, ClearEmptiesTheLogWithItsProgress) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(3, 100));
  transfer.ClearKindFlags();
  transfer.m_bWrite = 1;
  transfer.m_bClear = 1;
  transfer.m_nRequestKind = 6;
  ASSERT_EQ(transfer.ClearLog(), BlockOutcome::kFinished) << testing::PrintToString(Boxes());
  EXPECT_TRUE(block->Log().empty());
  EXPECT_EQ(block->Clears(), 1);
  EXPECT_EQ(client.clearProgress, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_EQ(logger.CountReceived("$PMTK182,6*"), 1);

  block->SetLog(sim::BlockProtocolSim::GenerateRecords(3, 10));
  sim::BlockFaults faults;
  faults.refuse = true;
  block->SetFaults(faults);
  EXPECT_EQ(transfer.ClearLog(), BlockOutcome::kRefused);
  EXPECT_EQ(block->Log().size(), 10u);
}

TEST_F(BlockClearStatus, LogStatusCountsTheRecords) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(4, 40));
  transfer.m_bStartFlag = 0;
  BlockLogStatus status;
  ASSERT_EQ(transfer.ReadLogStatus(status), BlockOutcome::kFinished)
      << testing::PrintToString(Boxes());
  EXPECT_EQ(status.recorded, 40);
  EXPECT_EQ(status.free, 4056);
  EXPECT_EQ(client.statuses.back(), "Track Log Records: 40 Recorded; 4056 Free");
  EXPECT_GE(logger.CountReceived("$STA"), 1);
}

TEST(BlockLogStatusCount, RecordsFollowFromTheAddresses) {
  auto count = [](std::uint32_t first, std::uint32_t last) {
    BlockLogStatus status;
    status.firstAddress = first;
    status.lastAddress = last;
    CBlockTransfer::CountLogRecords(status);
    return std::pair(status.recorded, status.free);
  };
  EXPECT_EQ(count(0, 639), std::pair(40, 4056));
  EXPECT_EQ(count(0, 0), std::pair(0, 4096));
  EXPECT_EQ(count(32, 15), std::pair(4096, 0));  // the wrong way round: full
  EXPECT_EQ(count(0, 0xFFFFFFFF), std::pair(4096, 0));
}

TEST_F(BlockClearStatus, StatusSentenceCarriesItsChecksum) {
  ASSERT_TRUE(device.EnsurePortOpen());
  transfer.SendStatusSentence("$Vanto");
  transfer.SendStatusSentence("$Close");
  ASSERT_TRUE(logger.WaitForSentence("$Close", 30000));
  EXPECT_EQ(logger.Received(),
            (std::vector<std::string>{sim::SimLogger::WithChecksum("$Vanto").substr(0, 9),
                                      sim::SimLogger::WithChecksum("$Close").substr(0, 9)}));
}

}  // namespace
