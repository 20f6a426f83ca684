// The flashing library as the program sees it: loaded from the program's
// folder, entry points by ordinal, and the meaning of their results.
#include <gtest/gtest.h>

#include <fstream>

#include "firmware/FirmwareFileFormat.h"
#include "firmware/FlashLibrary.h"
#include "flashlib/FlashFiles.h"
#include "support/test_support.h"

namespace {

bool Failed(std::int32_t r) { return (r & 0xFF00) != 0; }

class FlashLib : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.Load(GetProgramFolder())) << lib.GetError();
    lib.CreateAgent(&agent);
    lib.CreateDownload(&download);
    ASSERT_NE(agent, nullptr);
    ASSERT_NE(download, nullptr);
  }
  void TearDown() override {
    lib.DestroyAgent(&agent);
    lib.DestroyDownload(&download);
    EXPECT_EQ(agent, nullptr);
    EXPECT_EQ(download, nullptr);
  }
  std::string Beside(const std::string& name) { return GetProgramFolder() + "/" + name; }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string path = (dir.path() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  CFlashLibrary lib;
  FlashHandle agent = nullptr;
  FlashHandle download = nullptr;
  testsupport::TempDir dir;
};

}  // namespace

TEST(FlashLibLoad, MissingLibraryIsReportedWithItsPath) {
  testsupport::TempDir empty;
  CFlashLibrary lib;
  EXPECT_FALSE(lib.Load(empty.path().string()));
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_NE(lib.GetError().find("libflashlib.so"), std::string::npos);
}

TEST_F(FlashLib, AgentLoadsOnlyForItsOwnFamily) {
  // No family set yet: refused.
  EXPECT_TRUE(Failed(lib.LoadAgent(agent, Beside("DA_MT3318_NAVREL.bin").c_str())));
  EXPECT_EQ(lib.SetAgentFamily(agent, FLASH_FAMILY_MT3318), 0);
  EXPECT_EQ(lib.LoadAgent(agent, Beside("DA_MT3318_NAVREL.bin").c_str()), 0);
  EXPECT_EQ(lib.LoadAgent(agent, Beside("MTK_AllInOne_DA_MT3318_NAVREL.bin").c_str()), 0);
  EXPECT_EQ(lib.LoadAgent(agent, Beside("DA_MT3329_NAVREL.bin").c_str()), FLASH_ERR_FAMILY);
  EXPECT_EQ(lib.SetAgentFamily(agent, FLASH_FAMILY_MT3329), 0);
  EXPECT_EQ(lib.LoadAgent(agent, Beside("DA_MT3329_NAVREL.bin").c_str()), 0);
  EXPECT_EQ(lib.UnloadAgent(agent), 0);
  EXPECT_TRUE(Failed(lib.SetAgentFamily(agent, 0x1234)));
}

TEST_F(FlashLib, DamagedOrMissingAgentFilesAreRefused) {
  lib.SetAgentFamily(agent, FLASH_FAMILY_MT3318);
  EXPECT_EQ(lib.LoadAgent(agent, ""), FLASH_ERR_OPEN);
  EXPECT_EQ(lib.LoadAgent(agent, (dir.path() / "none.bin").c_str()), FLASH_ERR_OPEN);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(flashfiles::ReadWholeFile(Beside("DA_MT3318_NAVREL.bin"), bytes, 1 << 20));
  bytes.back() ^= 1;
  EXPECT_EQ(lib.LoadAgent(agent, Write("bad.bin", bytes).c_str()), FLASH_ERR_CHECKSUM);
  bytes.resize(20);
  EXPECT_EQ(lib.LoadAgent(agent, Write("short.bin", bytes).c_str()), FLASH_ERR_FORMAT);
  // Handles of the wrong kind are refused, not misused.
  EXPECT_EQ(lib.LoadAgent(download, Beside("DA_MT3318_NAVREL.bin").c_str()), FLASH_ERR_HANDLE);
}

TEST_F(FlashLib, ImageNeedsTheScatterFileAndMustFitItsRegion) {
  std::string image = Write("img.bin", std::vector<std::uint8_t>(1000, 7));
  EXPECT_EQ(lib.LoadImage(download, 0, image.c_str()), FLASH_ERR_NO_SCATTER);
  EXPECT_EQ(lib.SetScatter(download, (dir.path() / "scat.txt").c_str()), FLASH_ERR_OPEN);
  std::string bad = "REGION ROM 0x0\n";
  EXPECT_EQ(lib.SetScatter(download, Write("scat.txt", {bad.begin(), bad.end()}).c_str()),
            FLASH_ERR_FORMAT);
  EXPECT_EQ(lib.SetScatter(download, Beside("scat.txt").c_str()), 0);
  EXPECT_EQ(lib.SetBlockSize(download, 256), 0);
  EXPECT_TRUE(Failed(lib.SetBlockSize(download, 0)));
  EXPECT_EQ(lib.LoadImage(download, 0, image.c_str()), 0);
  EXPECT_EQ(lib.LoadImage(download, 1, image.c_str()), FLASH_ERR_REGION);
  std::string big = Write("big.bin", std::vector<std::uint8_t>(FIRMWARE_MAX_IMAGE + 1, 1));
  EXPECT_EQ(lib.LoadImage(download, 0, big.c_str()), FLASH_ERR_TOO_LARGE);
  EXPECT_EQ(lib.EnableRegion(download, 0, 1), 0);
  EXPECT_EQ(lib.UnloadImage(download, 0), 0);
}

TEST_F(FlashLib, DownloadRefusesIncompleteSetupsWithoutTouchingAPort) {
  FlashPortArg port{};
  FlashAgentArg agentArg{};
  FlashImageArg imageArg{};
  std::int32_t out = -1;
  FlashResult result{};
  EXPECT_EQ(lib.Download(nullptr, &agentArg, &imageArg, &out, &result), FLASH_DL_BAD_ARGUMENT);
  agentArg.hAgent = agent;
  imageArg.hDownload = download;
  // Agent not loaded.
  EXPECT_EQ(lib.Download(&port, &agentArg, &imageArg, &out, &result), FLASH_DL_BAD_ARGUMENT);
  lib.SetAgentFamily(agent, FLASH_FAMILY_MT3318);
  ASSERT_EQ(lib.LoadAgent(agent, Beside("DA_MT3318_NAVREL.bin").c_str()), 0);
  lib.SetScatter(download, Beside("scat.txt").c_str());
  std::string image = Write("img.bin", std::vector<std::uint8_t>(100, 7));
  ASSERT_EQ(lib.LoadImage(download, 0, image.c_str()), 0);
  // Region not enabled.
  EXPECT_EQ(lib.Download(&port, &agentArg, &imageArg, &out, &result), FLASH_DL_BAD_ARGUMENT);
  lib.EnableRegion(download, 0, 1);
  port.nChipKind = FLASH_CHIP_MT3329;  // agent is for the other chip
  EXPECT_EQ(lib.Download(&port, &agentArg, &imageArg, &out, &result), FLASH_DL_CHIP);
  port.nChipKind = FLASH_CHIP_MT3318;
  port.nPortNumber = 0;  // no such port
  EXPECT_EQ(lib.Download(&port, &agentArg, &imageArg, &out, &result), FLASH_DL_PORT);
  EXPECT_EQ(result.nError, static_cast<std::uint32_t>(FLASH_DL_PORT));
  EXPECT_EQ(out, static_cast<std::int32_t>(FLASH_STAGE_PORT));
}
