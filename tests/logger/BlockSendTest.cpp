// The send exchange against the simulated logger.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "logger/BlockTransferFixture.h"
#include "res/logger_ids.h"
#include "support/test_support.h"

namespace {

class BlockSend : public BlockTransferTest {
 protected:
  BlockOutcome Send(const std::string& content) {
    const auto path = dir.path() / "points.mpt";
    std::ofstream(path, std::ios::binary) << content;
    transfer.ClearKindFlags();
    transfer.m_bWrite = 1;
    transfer.m_bStartFlag = 1;
    transfer.m_fdOut = ::open(path.c_str(), O_RDONLY);
    transfer.m_nTotalBytes = blockwire::RoundToBlock(static_cast<std::uint32_t>(content.size()));
    const BlockOutcome outcome = transfer.SendFile();
    ::close(transfer.m_fdOut);
    transfer.m_fdOut = -1;
    return outcome;
  }
  // The received file: the content, then 0xFF up to `length`.
  static std::vector<std::uint8_t> Padded(const std::string& content, std::size_t length) {
    std::vector<std::uint8_t> bytes(content.begin(), content.end());
    bytes.resize(length, 0xFF);
    return bytes;
  }

  testsupport::TempDir dir;
};

std::string Pattern(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

TEST_F(BlockSend, FileGoesInFramesPaddedWithFF) {
  const std::string file = Pattern(600);
  ASSERT_EQ(Send(file), BlockOutcome::kFinished) << testing::PrintToString(Boxes());
  EXPECT_EQ(block->AnnouncedLength(), 1024u);
  EXPECT_EQ(block->FramesTaken(), 2);
  EXPECT_EQ(block->ReceivedFile(), Padded(file, 1024));
  EXPECT_EQ(block->Finishes(), 1);
  // The wake keeps the sentence the logger knows, then "$BEG".
  const auto received = logger.Received();
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[0], "$PMTK182*21");
  EXPECT_EQ(received[1], "$BEG");
  EXPECT_EQ(client.progressTexts.back(), "100%");

  ASSERT_EQ(Send(Pattern(512)), BlockOutcome::kFinished);
  EXPECT_EQ(block->AnnouncedLength(), 512u);
  EXPECT_EQ(block->ReceivedFile(), Padded(Pattern(512), 512));
  ASSERT_EQ(Send(Pattern(513)), BlockOutcome::kFinished);
  EXPECT_EQ(block->AnnouncedLength(), 1024u);
  EXPECT_EQ(block->ReceivedFile(), Padded(Pattern(513), 1024));
}

TEST_F(BlockSend, FrameEndsAfterACarriageReturnFollowedByLineFeed) {
  const std::string file = "A\r\nB";
  ASSERT_EQ(Send(file), BlockOutcome::kFinished);
  EXPECT_EQ(block->AnnouncedLength(), 512u);
  EXPECT_EQ(block->FramesTaken(), 2);
  // "A" CR, then LF "B" and the padding of a whole frame.
  EXPECT_EQ(block->ReceivedFile(), Padded(file, 2 + 512));
  // A frame whose checksum is CR, followed by one that starts with the LF:
  // the LF is the new frame's first byte, not the end of an empty frame.
  const std::string crSum = "\x80\r\nB";
  ASSERT_EQ(Send(crSum), BlockOutcome::kFinished);
  EXPECT_EQ(block->FramesTaken(), 2 + 2);
  EXPECT_EQ(block->ReceivedFile(), Padded(crSum, 2 + 512));
}

TEST_F(BlockSend, ResendAndRefusalOfAFrame) {
  const std::string file = Pattern(700);
  sim::BlockFaults faults;
  faults.resendFrame = 0;
  block->SetFaults(faults);
  ASSERT_EQ(Send(file), BlockOutcome::kFinished);
  EXPECT_EQ(block->FramesSeen(), 3);  // the first frame went twice
  EXPECT_EQ(block->ReceivedFile(), Padded(file, 1024));

  faults = {};
  faults.refuseFrame = 1;
  block->SetFaults(faults);
  ASSERT_EQ(Send(file), BlockOutcome::kFinished);
  // Nothing went between the refusal and the logger's request for it.
  EXPECT_EQ(block->FramesSeen(), 3 + 3);
  EXPECT_EQ(block->ReceivedFile(), Padded(file, 1024));
}

TEST_F(BlockSend, LoggerMessagesAndAnUnreadableFile) {
  sim::BlockFaults faults;
  faults.noRoom = true;
  block->SetFaults(faults);
  EXPECT_EQ(Send("x"), BlockOutcome::kNoRoom);
  EXPECT_EQ(ui.LastMessageBox().text, "Insufficient Memory Card Space!!");
  EXPECT_EQ(ui.LastMessageBox().Icon(), MB_ICONSTOP);
  faults = {};
  faults.refuse = true;
  block->SetFaults(faults);
  EXPECT_EQ(Send("x"), BlockOutcome::kRefused);
  EXPECT_EQ(ui.LastMessageBox().text, "Not the right file type");
  faults = {};
  faults.wrongType = true;
  block->SetFaults(faults);
  EXPECT_EQ(Send("x"), BlockOutcome::kTypeError);
  EXPECT_EQ(ui.LastMessageBox().text, "TRANSMISSION TYPE ERROR");
  // The '$' the logger gave the wake's second poll is no answer to the next.
  faults = {};
  faults.userBreakAt = 0;
  block->SetFaults(faults);
  EXPECT_EQ(Send(Pattern(1000)), BlockOutcome::kUserBreak);
  EXPECT_EQ(ui.LastMessageBox().text, "User break!");

  block->SetFaults({});
  transfer.m_bWrite = 1;
  transfer.m_fdOut = -1;  // the file could not be read
  transfer.m_nTotalBytes = 512;
  EXPECT_EQ(transfer.SendFile(), BlockOutcome::kFileError);
  EXPECT_EQ(ui.LastMessageBox().text, LoadResString(IDS_BLOCK_READ_FAILED));
}

}  // namespace
