// The flashing library's exchange against the simulated boot loader, over an
// in-memory line.
#include <gtest/gtest.h>

#include <deque>

#include "firmware/Crc32.h"
#include "flashlib/FlashExchange.h"
#include "sim/FlashExchangeSim.h"

namespace {

class MemoryLine : public flashlib::FlashTransport {
 public:
  explicit MemoryLine(FlashExchangeSim& sim) : sim_(sim) {}
  bool Write(const std::uint8_t* data, std::size_t n) override {
    written_ += n;
    std::vector<std::uint8_t> reply;
    sim_.Feed(data, n, reply);
    if (dropNextReply_) {
      dropNextReply_ = false;
      return true;
    }
    fromLogger_.insert(fromLogger_.end(), reply.begin(), reply.end());
    return true;
  }
  int Read(std::uint8_t* data, std::size_t n, int) override {
    std::size_t k = std::min(n, fromLogger_.size());
    for (std::size_t i = 0; i < k; ++i) {
      data[i] = fromLogger_.front();
      fromLogger_.pop_front();
    }
    return static_cast<int>(k);
  }
  bool dropNextReply_ = false;
  std::size_t written_ = 0;

 private:
  FlashExchangeSim& sim_;
  std::deque<std::uint8_t> fromLogger_;
};

struct Progress {
  std::vector<std::uint32_t> agent, image;
  int agentInits = 0, imageInits = 0;
};

flashlib::ExchangeParams Params(Progress& pr, std::size_t imageSize) {
  flashlib::ExchangeParams p;
  p.agentChip = 3329;
  p.agentCode.assign(3000, 0x5A);
  p.image.resize(imageSize);
  for (std::size_t i = 0; i < imageSize; ++i) p.image[i] = static_cast<std::uint8_t>(i ^ (i >> 7));
  p.blockSize = 256;
  p.handshakeTimeoutMs = 50;
  p.replyTimeoutMs = 20;
  p.agentInit = [](void* c) {
    ++static_cast<Progress*>(c)->agentInits;
    return 0;
  };
  p.agentInitContext = &pr;
  p.imageInit = [](void* c) {
    ++static_cast<Progress*>(c)->imageInits;
    return 0;
  };
  p.imageInitContext = &pr;
  p.agentProgress = [](std::uint32_t pct, std::uint32_t, std::uint32_t, void* c) {
    static_cast<Progress*>(c)->agent.push_back(pct);
    return 0;
  };
  p.agentProgressContext = &pr;
  p.imageProgress = [](std::uint32_t pct, std::uint32_t, std::uint32_t, void* c) {
    static_cast<Progress*>(c)->image.push_back(pct);
    return 0;
  };
  p.imageProgressContext = &pr;
  return p;
}

}  // namespace

TEST(FlashExchange, UploadsAgentAndImageWithRealPercentages) {
  FlashExchangeSim sim;
  std::vector<std::uint8_t> restarted;
  sim.onRestart = [&](const std::vector<std::uint8_t>& image) { restarted = image; };
  MemoryLine line(sim);
  Progress pr;
  auto p = Params(pr, 1000);  // four blocks, the last one short
  FlashResult result{};
  EXPECT_EQ(flashlib::RunExchange(line, p, result), FLASH_DL_OK);
  EXPECT_EQ(result.nStage, static_cast<std::uint32_t>(FLASH_STAGE_DONE));
  EXPECT_EQ(sim.Agent(), p.agentCode);
  EXPECT_EQ(restarted, p.image);
  EXPECT_EQ(result.nLoggerCrc, Crc32(1000, p.image.data()));
  EXPECT_EQ(pr.agentInits, 1);
  EXPECT_EQ(pr.imageInits, 1);
  EXPECT_EQ(pr.image, (std::vector<std::uint32_t>{25, 51, 76, 100}));
  ASSERT_EQ(pr.agent.size(), 12u);
  EXPECT_EQ(pr.agent.back(), 100u);
}

TEST(FlashExchange, ResendsARefusedBlock) {
  FlashExchangeSim sim;
  sim.faults.nakImageBlock = 2;
  MemoryLine line(sim);
  Progress pr;
  auto p = Params(pr, 1024);
  FlashResult result{};
  EXPECT_EQ(flashlib::RunExchange(line, p, result), FLASH_DL_OK);
  EXPECT_EQ(sim.Image(), p.image);
}

TEST(FlashExchange, ReportsEachFailureWithItsOwnCode) {
  Progress pr;
  FlashResult result{};
  {
    FlashExchangeSim sim;
    sim.faults.silent = true;
    MemoryLine line(sim);
    EXPECT_EQ(flashlib::RunExchange(line, Params(pr, 100), result), FLASH_DL_NO_HANDSHAKE);
  }
  {
    FlashExchangeSim sim;
    sim.faults.refuseAgent = true;
    MemoryLine line(sim);
    EXPECT_EQ(flashlib::RunExchange(line, Params(pr, 100), result), FLASH_DL_AGENT_REFUSED);
    EXPECT_EQ(sim.Restarts(), 0);
  }
  {
    FlashExchangeSim sim;
    sim.faults.corruptVerify = true;
    MemoryLine line(sim);
    EXPECT_EQ(flashlib::RunExchange(line, Params(pr, 100), result), FLASH_DL_VERIFY);
    EXPECT_EQ(sim.Restarts(), 0);  // a bad image is never started
  }
  {
    FlashExchangeSim sim;
    sim.faults.flashSize = 512;
    MemoryLine line(sim);
    EXPECT_EQ(flashlib::RunExchange(line, Params(pr, 1000), result), FLASH_DL_IMAGE_REFUSED);
  }
}

TEST(FlashExchange, FrameReaderRejectsDamagedFrames) {
  auto bytes = flashproto::EncodeFrame({flashproto::IMAGE_DATA, 7, {1, 2, 3}});
  flashproto::FrameReader reader;
  std::vector<std::uint8_t> noise{'$', 'G', 'P'};
  reader.Feed(noise.data(), noise.size());
  reader.Feed(bytes.data(), bytes.size());
  auto good = reader.Next();
  ASSERT_TRUE(good);
  EXPECT_FALSE(good->bad);
  EXPECT_EQ(good->frame.seq, 7);
  EXPECT_EQ(good->frame.payload, (std::vector<std::uint8_t>{1, 2, 3}));
  bytes[6] ^= 0xFF;
  reader.Feed(bytes.data(), bytes.size());
  auto bad = reader.Next();
  ASSERT_TRUE(bad);
  EXPECT_TRUE(bad->bad);
}

TEST(FlashExchange, SimulatedLoggerTakesItsVersionFromTheImage) {
  std::string text = "xxFWVER=107yy";
  EXPECT_EQ(FlashExchangeSim::VersionInImage({text.begin(), text.end()}), "107");
  text = "FWVER=1a7";
  EXPECT_EQ(FlashExchangeSim::VersionInImage({text.begin(), text.end()}), "");
}
