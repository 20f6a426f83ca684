// What the program hands the flashing library, call by call, checked with a
// stand-in back-end that records the calls; and how its results are read.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "firmware/FlashSession.h"
#include "platform/Sleep.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

class FakeBackend : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path build = GetProgramFolder();
    fs::copy_file(build / "fakeflash" / "libflashlib.so", dir.path() / "libflashlib.so");
    for (const char* name : {"DA_MT3318_NAVREL.bin", "DA_MT3329_NAVREL.bin", "scat.txt"})
      fs::copy_file(build / name, dir.path() / name);
    module = dlopen((dir.path() / "libflashlib.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    calls = reinterpret_cast<const char* (*)()>(dlsym(module, "fakeflash_calls"));
    reset = reinterpret_cast<void (*)(std::int32_t, std::int32_t, std::int32_t)>(
        dlsym(module, "fakeflash_reset"));
    ASSERT_TRUE(calls && reset);
    session.m_strFolder = dir.path().string();
    SetSleepFunction([this](DWORD ms) { sleeps.push_back(ms); });
  }
  void TearDown() override {
    SetSleepFunction({});
    if (module) dlclose(module);
  }

  // A whole session: prepare, download, release.
  BOOL Run(int model, int port, std::int32_t agent, std::int32_t image, std::int32_t download) {
    reset(agent, image, download);
    session.Prepare((dir.path() / "image.bin").string(), model, CFlashSession::DEVICE_AGENT_PREFIX);
    CFlashSession::Callbacks cb;
    cb.daProgress = [](std::uint32_t pct, std::uint32_t, std::uint32_t, void* c) {
      static_cast<FakeBackend*>(c)->percents.push_back(pct);
      return 0;
    };
    cb.imageProgress = cb.daProgress;
    cb.context = this;
    const BOOL ok = session.RunDownload(port, model, cb);
    session.Release();
    return ok;
  }

  testsupport::TempDir dir;
  void* module = nullptr;
  const char* (*calls)() = nullptr;
  void (*reset)(std::int32_t, std::int32_t, std::int32_t) = nullptr;
  CFlashSession session;
  std::vector<DWORD> sleeps;
  std::vector<std::uint32_t> percents;
};

}  // namespace

TEST_F(FakeBackend, CallsEveryOrdinalInOrderWithItsArguments) {
  EXPECT_TRUE(Run(3, 12, 0, 0, 0));
  EXPECT_STREQ(calls(),
               "25 13 29:100800 31:path 15 47:256 20:0 50:0,1 "
               "10:port=12,chip=1,timeouts=FFFFFFF/FFFFFFF,agent=FFFFFFF/1/1/1/self,"
               "image=1/1/100000,out=0,zeroed 33 22:0 26 14");
  EXPECT_EQ(session.m_bAgentOk, 1);
  EXPECT_EQ(session.m_bImageOk, 1);
  EXPECT_EQ(session.m_hAgent, nullptr);
  EXPECT_EQ(session.m_hDownload, nullptr);
  EXPECT_TRUE(sleeps.empty());
}

TEST_F(FakeBackend, MT3329ModelsGetTheirFamilyAndChipKind) {
  EXPECT_TRUE(Run(6, 3, 0, 0, 0));
  const std::string log = calls();
  EXPECT_NE(log.find("29:C00 "), std::string::npos);
  EXPECT_NE(log.find("port=3,chip=6,"), std::string::npos);
  EXPECT_NE(session.m_szAgentPath.find("DA_MT3329_"), std::string::npos);
}

TEST_F(FakeBackend, LowBitsOfALoadResultAreNoFailure) {
  Run(3, 1, 0x00FF, 0x00FF, 0);
  EXPECT_EQ(session.m_bAgentOk, 1);
  EXPECT_EQ(session.m_bImageOk, 1);
}

TEST_F(FakeBackend, Bits8To15OfALoadResultMeanFailure) {
  Run(3, 1, 0x0100, 0x8000, 0);
  EXPECT_EQ(session.m_bAgentOk, 0);
  EXPECT_EQ(session.m_bImageOk, 0);
  // What was not loaded is not unloaded; the handles always go.
  const std::string log = calls();
  EXPECT_EQ(log.find(" 33"), std::string::npos);
  EXPECT_EQ(log.find(" 22"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 6), " 26 14");
}

TEST_F(FakeBackend, DownloadResultOneAddsAPause) {
  EXPECT_FALSE(Run(3, 1, 0, 0, 1));
  EXPECT_EQ(sleeps, std::vector<DWORD>{1500});
  sleeps.clear();
  EXPECT_FALSE(Run(3, 1, 0, 0, 2));
  EXPECT_TRUE(sleeps.empty());
}

TEST_F(FakeBackend, CallbacksGetTheLibrarysPercentages) {
  Run(3, 1, 0, 0, 0);
  EXPECT_EQ(percents, (std::vector<std::uint32_t>{50, 0x1FF}));
}

TEST_F(FakeBackend, PortNumberTheLibraryCannotHoldIsNeverHandedOn) {
  // COM256 would reach the library as COM0 (and COM258 as COM2).
  EXPECT_FALSE(Run(3, 258, 0, 0, 0));
  EXPECT_EQ(session.m_nDownloadResult, FLASH_DL_PORT);
  EXPECT_EQ(std::string(calls()).find(" 10:"), std::string::npos);
}
