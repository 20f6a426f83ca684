// A whole download through the loaded flashing library, over a pseudo-
// terminal to the simulated boot loader, found by its COM number.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "firmware/FlashSession.h"
#include "link/PortScan.h"
#include "link/SimPortAnnouncement.h"
#include "platform/Sleep.h"
#include "sim/FlashExchangeSim.h"
#include "support/test_support.h"

namespace {

// The boot loader on the master side of a pseudo-terminal, announced as a
// USB bridge so that it gets a COM number.
class PtyBootLoader {
 public:
  // setup configures the boot loader before its thread starts.
  explicit PtyBootLoader(const std::function<void(FlashExchangeSim&)>& setup = {}) {
    if (setup) setup(sim);
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) return;
    path_ = name;
    announcement_ = AnnounceSimulatedPort(path_, "CP210x USB to UART Bridge Controller",
                                          "fwtest-" + std::to_string(getpid()));
    thread_ = std::thread([this] { Run(); });
  }
  ~PtyBootLoader() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    WithdrawSimulatedPort(announcement_);
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  int ComNumber() const {
    auto claims = ScanPresentPortClaims();
    auto numbers = AssignComPortNumbers(claims);
    for (std::size_t i = 0; i < claims.size(); ++i)
      if (claims[i].devPath == path_) return numbers[i];
    return 0;
  }
  FlashExchangeSim sim;

 private:
  void Run() {
    std::uint8_t buf[2048];
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 5) <= 0) continue;
      ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      std::vector<std::uint8_t> reply;
      sim.Feed(buf, static_cast<std::size_t>(n), reply);
      if (!reply.empty()) (void)!write(master_, reply.data(), reply.size());
    }
  }
  int master_ = -1, slave_ = -1;
  std::string path_, announcement_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

struct Seen {
  std::vector<std::uint32_t> agent, image;
  int inits = 0;
};

CFlashSession::Callbacks Record(Seen& seen) {
  CFlashSession::Callbacks cb;
  cb.daInit = [](void* c) { return ++static_cast<Seen*>(c)->inits, 0; };
  cb.imageInit = cb.daInit;
  cb.daProgress = [](std::uint32_t pct, std::uint32_t, std::uint32_t, void* c) {
    static_cast<Seen*>(c)->agent.push_back(pct);
    return 0;
  };
  cb.imageProgress = [](std::uint32_t pct, std::uint32_t, std::uint32_t, void* c) {
    static_cast<Seen*>(c)->image.push_back(pct);
    return 0;
  };
  cb.context = &seen;
  return cb;
}

std::string WriteImage(const testsupport::TempDir& dir, std::size_t size) {
  std::vector<char> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<char>(i * 3);
  std::string text = "FWVER=123";
  std::copy(text.begin(), text.end(), image.begin() + 100);
  std::string path = (dir.path() / "image.bin").string();
  std::ofstream(path, std::ios::binary).write(image.data(), static_cast<std::streamsize>(size));
  return path;
}

}  // namespace

TEST(FlashSession, DownloadsOverTheComPortWithRealPercentages) {
  // The boot loader's thread hands over the started image.
  std::mutex startedMutex;
  std::vector<std::uint8_t> started;
  PtyBootLoader logger([&](FlashExchangeSim& sim) {
    sim.onRestart = [&](const std::vector<std::uint8_t>& image) {
      std::lock_guard lock(startedMutex);
      started = image;
    };
  });
  const int com = logger.ComNumber();
  ASSERT_GT(com, 0);
  testsupport::TempDir dir;
  CFlashSession session;
  ASSERT_TRUE(session.Prepare(WriteImage(dir, 3000), 3, CFlashSession::DEVICE_AGENT_PREFIX));
  EXPECT_EQ(session.m_bAgentOk, 1);
  EXPECT_EQ(session.m_bImageOk, 1);
  EXPECT_NE(session.m_szAgentPath.find("/DA_MT3318_"), std::string::npos);
  Seen seen;
  EXPECT_TRUE(session.RunDownload(com, 3, Record(seen)));
  EXPECT_EQ(session.m_nDownloadResult, 0);
  {
    std::lock_guard lock(startedMutex);
    EXPECT_EQ(FlashExchangeSim::VersionInImage(started), "123");
  }
  EXPECT_EQ(seen.inits, 2);
  ASSERT_EQ(seen.image.size(), 12u);  // 3000 bytes in blocks of 256
  EXPECT_EQ(seen.image.front(), 8u);
  EXPECT_EQ(seen.image.back(), 100u);
  EXPECT_TRUE(std::is_sorted(seen.agent.begin(), seen.agent.end()));
  session.Release();
  EXPECT_EQ(session.m_hAgent, nullptr);
  EXPECT_EQ(session.m_hDownload, nullptr);
}

TEST(FlashSession, ARefusedAgentFailsTheDownload) {
  PtyBootLoader logger;
  logger.sim.faults.refuseAgent = true;
  testsupport::TempDir dir;
  CFlashSession session;
  ASSERT_TRUE(session.Prepare(WriteImage(dir, 500), 5, CFlashSession::ALL_IN_ONE_AGENT_PREFIX));
  EXPECT_NE(session.m_szAgentPath.find("/MTK_AllInOne_DA_MT3329_"), std::string::npos);
  Seen seen;
  EXPECT_FALSE(session.RunDownload(logger.ComNumber(), 5, Record(seen)));
  EXPECT_EQ(session.m_nDownloadResult, FLASH_DL_AGENT_REFUSED);
  EXPECT_EQ(logger.sim.Restarts(), 0);
  session.Release();
}

TEST(FlashSession, SilenceMeansNoHandshakeAndAPause) {
  PtyBootLoader logger;
  logger.sim.faults.silent = true;
  std::vector<DWORD> sleeps;
  SetSleepFunction([&](DWORD ms) { sleeps.push_back(ms); });
  testsupport::TempDir dir;
  CFlashSession session;
  ASSERT_TRUE(session.Prepare(WriteImage(dir, 500), 4, CFlashSession::DEVICE_AGENT_PREFIX));
  Seen seen;
  EXPECT_FALSE(session.RunDownload(logger.ComNumber(), 4, Record(seen)));
  SetSleepFunction({});
  EXPECT_EQ(session.m_nDownloadResult, FLASH_DL_NO_HANDSHAKE);
  EXPECT_EQ(sleeps, std::vector<DWORD>{1500});
  session.Release();
}

TEST(FlashSession, UnknownModelAndMissingImageAreReported) {
  testsupport::TempDir dir;
  CFlashSession session;
  EXPECT_FALSE(
      session.Prepare((dir.path() / "none.bin").string(), 0, CFlashSession::DEVICE_AGENT_PREFIX));
  EXPECT_EQ(session.m_missing, CFlashSession::Missing::Agent);
  EXPECT_EQ(session.m_bAgentOk, 0);
  EXPECT_EQ(session.m_bImageOk, 0);  // no image file: load refused
  session.Release();
  EXPECT_EQ(CFlashSession::FamilyOfModel(4), FLASH_FAMILY_MT3318);
  EXPECT_EQ(CFlashSession::FamilyOfModel(6), FLASH_FAMILY_MT3329);
  EXPECT_EQ(CFlashSession::ChipKindOfModel(5), FLASH_CHIP_MT3329);
  EXPECT_EQ(CFlashSession::ChipKindOfModel(2), 0u);
}

TEST(FlashSession, AgentSearchTakesTheFirstMatchingName) {
  testsupport::TempDir dir;
  for (const char* name :
       {"DA_MT3318_b.bin", "DA_MT3318_a.bin", "DA_MT3318_c.txt", "MTK_AllInOne_DA_MT3318_z.bin"})
    std::ofstream(dir.path() / name) << "x";
  std::filesystem::create_directory(dir.path() / "DA_MT3318_0.bin");
  EXPECT_EQ(CFlashSession::FindFirstFile(dir.path().string(), "DA_MT3318_", ".bin"),
            "DA_MT3318_a.bin");
  EXPECT_EQ(CFlashSession::FindFirstFile(dir.path().string(), "DA_MT3329_", ".bin"), "");
  EXPECT_EQ(CFlashSession::FindFirstFile((dir.path() / "gone").string(), "DA_", ".bin"), "");
}
