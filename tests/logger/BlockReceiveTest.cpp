// The receive exchange against the simulated logger.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "formats/BlockTrackDecoder.h"
#include "logger/BlockTransferFixture.h"
#include "logger/BlockTransferWire.h"
#include "res/logger_ids.h"
#include "support/test_support.h"

namespace {

class BlockReceive : public BlockTransferTest {
 protected:
  // Runs the upload into a raw file and returns its outcome.
  BlockOutcome Upload() {
    transfer.ClearKindFlags();
    transfer.m_bTrackLog = 1;
    transfer.m_nRequestKind = 5;
    transfer.m_fdOut = ::open(out.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    const BlockOutcome outcome = transfer.ReceiveTrackLog(kBlockOutputTrl, nullptr);
    ::close(transfer.m_fdOut);
    transfer.m_fdOut = -1;
    return outcome;
  }
  std::vector<std::uint8_t> Output() const {
    std::ifstream in(out, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  testsupport::TempDir dir;
  std::filesystem::path out = dir.path() / "log.trl";
};

TEST(BlockWire, ChecksumIsTheLowSevenBitsOfTheSum) {
  std::vector<BYTE> data(512, 0);
  data[0] = 0x80;
  data[1] = 0x80;
  data[2] = 0x80;  // sum 0x180
  EXPECT_EQ(blockwire::Checksum7(data.data(), data.size()), 0x00);
  // Only the top bit of the 8-bit sum is dropped: 0xC5 gives 0x45.
  const BYTE high[] = {0x80, 0x45};
  EXPECT_EQ(blockwire::Checksum7(high, 2), 0x45);
  const BYTE size[4] = {0x01, 0x00, 0x00, 0xA7};
  EXPECT_EQ(blockwire::TotalFromBlockCount(size), 512u);
  EXPECT_EQ(blockwire::RoundToBlock(600), 1024u);
  EXPECT_EQ(blockwire::RoundToBlock(512), 512u);
  EXPECT_EQ(blockwire::RoundToBlock(513), 1024u);

  const BYTE settings[11] = {1, 3, 15, 0, 0, 0, 0xE8, 0x03, 0, 0, 2};
  const BlockSettingsBlock read = BlockSettingsBlock::FromBytes(settings);
  EXPECT_EQ(read.seconds, 15u);
  EXPECT_EQ(read.metres, 1000u);
  EXPECT_EQ(read.flashMode, 2);
}

TEST_F(BlockReceive, SizeReplyWithATopByteGivesOneBlockThenTheFinish) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(7, 20));
  sim::BlockFaults faults;
  faults.sizeTopByte = 0xA7;
  block->SetFaults(faults);
  ASSERT_EQ(Upload(), BlockOutcome::kFinished) << testing::PrintToString(Boxes());
  EXPECT_EQ(Output(), block->LogBytes());
  EXPECT_EQ(block->BlocksSent(), 1);
  EXPECT_EQ(block->Finishes(), 1);
  EXPECT_EQ(logger.CountReceived("$PMTK182,5*"), 1);
  EXPECT_EQ(client.progressTexts.back(), "100%");
  EXPECT_EQ(client.statuses.back(), "Waiting for Finishing...");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(BlockReceive, BadBlockIsAskedForAgainAndSplitBlocksAreReadWhole) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(8, 70));  // three blocks
  sim::BlockFaults faults;
  faults.badBlocks = 1;
  faults.splitBlocks = 3;
  block->SetFaults(faults);
  ASSERT_EQ(Upload(), BlockOutcome::kFinished) << testing::PrintToString(Boxes());
  EXPECT_EQ(Output(), block->LogBytes());
  EXPECT_EQ(block->BlocksSent(), 4);
}

TEST_F(BlockReceive, DecodedOutputHoldsEveryRecord) {
  const auto records = sim::BlockProtocolSim::GenerateRecords(9, 40);
  block->SetLog(records);
  g_blockPointTables.Clear();
  std::FILE* text = std::fopen(out.c_str(), "w");
  transfer.m_bTrackLog = 1;
  ASSERT_EQ(transfer.ReceiveTrackLog(kBlockOutputText, text), BlockOutcome::kFinished);
  std::fclose(text);
  EXPECT_EQ(g_blockPointTables.pointIndex, 40);
  EXPECT_EQ(g_blockPointTables.points.back().time, records.back().time);

  // Raw output to a file that cannot take it.
  transfer.m_fdOut = ::open(out.c_str(), O_RDONLY);
  EXPECT_EQ(transfer.ReceiveTrackLog(kBlockOutputTrl, nullptr), BlockOutcome::kFileError);
  ::close(transfer.m_fdOut);
  EXPECT_EQ(ui.LastMessageBox().text, LoadResString(IDS_BLOCK_WRITE_FAILED));
}

TEST_F(BlockReceive, LoggerMessagesEndTheExchangeWithTheirOwnOutcome) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(10, 70));
  sim::BlockFaults faults;
  faults.userBreakAt = 1;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(), BlockOutcome::kUserBreak);
  faults = {};
  faults.refuse = true;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(), BlockOutcome::kRefused);
  faults = {};
  faults.wrongType = true;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(), BlockOutcome::kTypeError);
  EXPECT_EQ(Boxes(),
            (std::vector<std::string>{"User break!", "Not the right file type or not upload",
                                      "TRANSMISSION TYPE ERROR"}));
}

TEST_F(BlockReceive, WithoutPercentTheFinishEndsAfterAHundredQuietPolls) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(11, 10));
  sim::BlockFaults faults;
  faults.noFinish = true;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(), BlockOutcome::kFinished);
  EXPECT_EQ(block->Finishes(), 0);
  EXPECT_EQ(Output(), block->LogBytes());
}

TEST_F(BlockReceive, SilenceAVanishedPortAndNoResponseEachEndWithAMessage) {
  block->SetLog(sim::BlockProtocolSim::GenerateRecords(12, 70));
  sim::BlockFaults faults;
  faults.silentAfterWake = true;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(), BlockOutcome::kTimeout);
  EXPECT_EQ(ui.LastMessageBox().text, LoadResString(IDS_BLOCK_SILENT));
  faults = {};
  faults.silent = true;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(), BlockOutcome::kNoResponse);
  EXPECT_EQ(ui.LastMessageBox().text, "Get no response from device. Please restart device again.");
  EXPECT_EQ(client.closes, 1);
  faults = {};
  faults.vanishAt = 1;
  block->SetFaults(faults);
  EXPECT_EQ(Upload(), BlockOutcome::kPortLost);
  EXPECT_EQ(ui.LastMessageBox().text, LoadResString(IDS_BLOCK_PORT_LOST));
  // Only the first block reached the file.
  EXPECT_EQ(Output().size(), 512u);
}

TEST_F(BlockReceive, NoPortOfTheNineOpens) {
  // Another program holds the logger's port; no other port exists.
  SerialPort other;
  ASSERT_TRUE(other.Open(logger.PortPath(), 38400));
  EXPECT_EQ(Upload(), BlockOutcome::kNoPort);
  EXPECT_EQ(ui.LastMessageBox().text, "Checking the COM port connection.");
  EXPECT_EQ(device.m_strComPort, "COM1");
}

}  // namespace
