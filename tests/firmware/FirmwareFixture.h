// The device page, the firmware download page and the command page, with a
// simulated logger on a pseudo-terminal that the program finds by its COM
// number. Each test keeps its settings and announced ports in a folder of
// its own, and the program's waits are shortened (every one is recorded).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "firmware/PageDownloadFW.h"
#include "link/PortScan.h"
#include "link/SimPortAnnouncement.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"
#include "sim/BtMacSim.h"
#include "sim/FlashExchangeSim.h"
#include "sim/SimLogger.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

// The simulated logger, the test's own settings folders and short waits.
class SimulatedLoggerTest : public ::testing::Test {
 protected:
  explicit SimulatedLoggerTest(sim::Model model) : logger(model) {}

  void SetUp() override {
    // Settings, registry and announcements of this test only.
    std::filesystem::create_directories(home.path() / "config");
    std::filesystem::create_directories(home.path() / "run");
    // A runtime folder is private to its user (Qt refuses another mode).
    std::filesystem::permissions(home.path() / "run", std::filesystem::perms::owner_all);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
      const char* value = getenv(name);
      savedEnv.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("XDG_CONFIG_HOME", (home.path() / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home.path() / "run").c_str(), 1);
    ASSERT_TRUE(logger.Ok());
    bt = sim::InstallBtMac(logger);
    flash = sim::InstallFlashExchange(logger);
    announcement = AnnounceSimulatedPort(logger.PortPath(),
                                         "CP210x USB to UART Bridge Controller", "fwtest");
    ASSERT_FALSE(announcement.empty());
    SetSleepFunction([this](DWORD ms) {
      {
        std::lock_guard lock(sleepMutex);
        sleeps.push_back(ms);
      }
      // Long waits (self test, settling) shrink most; polls keep some time
      // so the logger's replies arrive.
      const auto real =
          ms >= 400 ? std::chrono::microseconds(200) : std::chrono::microseconds(1000LL * ms / 8);
      std::this_thread::sleep_for(real);
    });
    g_utilityManager = CUtilityManager();
    g_bPortOpen = FALSE;
  }

  void TearDown() override {
    SetSleepFunction({});
    WithdrawSimulatedPort(announcement);
    g_bPortOpen = FALSE;
    // Later tests of the same run see the folders they started with.
    for (const auto& [name, value] : savedEnv) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }

  // The COM number the program gives the simulated logger.
  int ComNumber() const {
    auto claims = ScanPresentPortClaims();
    auto numbers = AssignComPortNumbers(claims);
    for (std::size_t i = 0; i < claims.size(); ++i)
      if (claims[i].devPath == logger.PortPath()) return numbers[i];
    return 0;
  }

  // Auto Detect, then Connect: the identification of the logger.
  void Identify(CPageDeviceSetting& device) {
    device.OnAutoDetect();
    ASSERT_EQ(device.m_strSelectedPort, "COM" + std::to_string(ComNumber()));
    device.OnConnect();
  }

  std::string Text(CWnd& page, int id) const {
    std::string text;
    page.GetDlgItemText(id, text);
    return text;
  }
  bool Enabled(CWnd& page, int id) const { return page.GetDlgItem(id)->IsWindowEnabled(); }

  int CountSleeps(DWORD ms) {
    std::lock_guard lock(sleepMutex);
    return static_cast<int>(std::count(sleeps.begin(), sleeps.end(), ms));
  }

  // Copies a sample firmware file of the build into the test's folder.
  std::string SampleFirmware(const std::string& name) {
    auto to = home.path() / "fw" / name;
    std::filesystem::create_directories(to.parent_path());
    std::filesystem::copy_file(std::filesystem::path(GetProgramFolder()) / name, to);
    return to.string();
  }

  testsupport::TempDir home;
  sim::SimLogger logger;
  std::shared_ptr<BtMacSim> bt;
  std::shared_ptr<FlashExchangeSim> flash;
  std::string announcement;
  std::mutex sleepMutex;
  std::vector<DWORD> sleeps;
  ScriptedUi ui;
  std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv;
};

// The device page with its two service pages, without a main dialog.
class FirmwarePageTest : public SimulatedLoggerTest {
 protected:
  explicit FirmwarePageTest(sim::Model model = sim::Model::R710) : SimulatedLoggerTest(model) {}

  void SetUp() override {
    SimulatedLoggerTest::SetUp();
    device.SetServicePages(&commands, &download);
    ASSERT_TRUE(download.Create(IDD_PAGE_DOWNLOAD_FW, nullptr));
    ASSERT_TRUE(device.Create(IDD_PAGE_DEVICE_SETTING, nullptr));
  }

  void TearDown() override {
    if (CWinThread* t = device.GetUpdateThread()) t->Wait(60000);
    if (CWinThread* t = download.GetUpdateThread()) t->Wait(60000);
    device.DestroyWindow();
    download.DestroyWindow();
    SimulatedLoggerTest::TearDown();
  }

  void Identify() { SimulatedLoggerTest::Identify(device); }

  CPageMTKTracklogSetting commands;
  CPageDownloadFW download;
  CPageDeviceSetting device;
};
