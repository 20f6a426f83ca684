// The main dialog connected to a simulated logger with a log memory, the
// options dialog answered with a folder of the test, and the program's long
// waits shortened.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/VantoUtilityDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "formats/StepByStepDlg.h"
#include "link/SimPortAnnouncement.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"
#include "sim/LogMemorySim.h"
#include "sim/SimLogger.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

class LogDownloadTest : public ::testing::Test {
 protected:
  // Bound of the logger's catching up in each of the program's waits.
  static constexpr int kLoggerCatchUpMs = 30000;

  // Prepares everything but the log, which each test lays out.
  void SetUp() override {
    fs::create_directories(home.path() / "config");
    fs::create_directories(home.path() / "run");
    fs::permissions(home.path() / "run", fs::perms::owner_all);
    fs::create_directories(folder());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
      const char* value = getenv(name);
      savedEnv.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("XDG_CONFIG_HOME", (home.path() / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home.path() / "run").c_str(), 1);
    ASSERT_TRUE(logger.Ok());
    announcement =
        AnnounceSimulatedPort(logger.PortPath(), "CP210x USB to UART Bridge Controller", "dltest");
    ASSERT_FALSE(announcement.empty());
    // Long waits shrink most, polls less. Each wait first lets the logger
    // handle what it was sent, as the whole wait would: so the logger has
    // switched its speed before the program's port follows, and replies are
    // in before the program polls for them.
    SetSleepFunction([this](DWORD ms) {
      logger.WaitUntilInputHandled(kLoggerCatchUpMs);
      std::this_thread::sleep_for(ms >= 400 ? std::chrono::microseconds(300)
                                            : std::chrono::microseconds(1000LL * ms / 8));
    });
    g_utilityManager = CUtilityManager();
    g_bPortOpen = FALSE;
    ui.OnModal(IDD_STEP_BY_STEP, [this](CDialog& dlg) {
      auto& options = static_cast<CStepByStepDlg&>(dlg);
      options.m_strLogFolder = folder().string();
      options.m_bLogFolderChosen = 1;
      options.m_bWriteTotal = 1;
      options.m_strPhotoFolder = photoFolder;
      options.m_bPhotoFolderChosen = photoFolder.empty() ? 0 : 1;
      // The dialog's own outputs, as its OK creates them.
      if (!textPath.empty()) {
        options.m_strTextPath = textPath;
        options.CreateOutput(CStepByStepDlg::kTextOutput);
      }
      if (!kmlPath.empty()) {
        options.m_strKmlPath = kmlPath;
        options.CreateOutput(CStepByStepDlg::kKmlOutput);
      }
      dlg.EndDialog(IDOK);
    });
  }

  void TearDown() override {
    if (main.GetSafeHwnd()) {
      main.RunTimerThread(FALSE);
      main.WaitForTimerThreads();
      main.DestroyWindow();
    }
    SetSleepFunction({});
    WithdrawSimulatedPort(announcement);
    g_bPortOpen = FALSE;
    g_utilityManager.m_bHighSpeed = FALSE;
    for (const auto& [name, value] : savedEnv) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }

  // Lays out the log, opens the window and connects as the device page does.
  void Connect(const sim::LogMemoryLayout& layout) {
    memory = sim::LogMemorySim::Install(logger, layout);
    ASSERT_TRUE(main.Create(IDD_VANTOUTILITY_DIALOG, nullptr));
    device = main.m_pPageDevice;
    page = main.m_pPageMTKTracklogSetting;
    device->m_bConnectNext = TRUE;
    device->ToggleConnection();
    ASSERT_NE(device->m_hComPort.load(), nullptr);
  }

  // Upload, then runs the window's messages (the watchdog's timer among
  // them) until the worker ends.
  void Upload() {
    page->OnUpload();
    CWinThread* worker = page->GetDownloadThread();
    ASSERT_NE(worker, nullptr);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (worker->IsRunning() && std::chrono::steady_clock::now() < end) {
      AfxPumpMessages();
      worker->Wait(2);
    }
    ASSERT_FALSE(worker->IsRunning());
  }

  fs::path folder() const { return home.path() / "logs"; }

  static std::vector<TrackRecord> ReadTrl(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<TrackRecord> records(bytes.size() / 16);
    std::copy(bytes.begin(), bytes.begin() + static_cast<long>(records.size() * 16),
              reinterpret_cast<char*>(records.data()));
    return records;
  }

  // The files of the folder with a suffix, in name order.
  std::vector<fs::path> Files(const std::string& suffix) const {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder()))
      if (e.path().string().ends_with(suffix)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }

  // Checks the TRL and KML files against the generated log.
  void ExpectFilesHold(const sim::LogContent& content) {
    std::vector<fs::path> segments, total, waypoints;
    for (const auto& p : Files(".trl")) {
      const std::string name = p.filename().string();
      if (name == "Mirla.trl") continue;
      if (name.find("_R-710_Total_") != std::string::npos)
        total.push_back(p);
      else if (name.find("_R-710_Waypoints") != std::string::npos)
        waypoints.push_back(p);
      else
        segments.push_back(p);
    }
    ASSERT_EQ(segments.size(), content.segments.size());
    for (std::size_t i = 0; i < segments.size(); ++i)
      ASSERT_TRUE(Same(ReadTrl(segments[i]), content.segments[i])) << segments[i];
    ASSERT_EQ(total.size(), 1u);
    EXPECT_TRUE(Same(ReadTrl(total[0]), content.Total()));
    ASSERT_EQ(waypoints.size(), content.waypoints.empty() ? 0u : 1u);
    if (!waypoints.empty()) {
      EXPECT_TRUE(Same(ReadTrl(waypoints[0]), content.waypoints));
    }
    // A KML file beside every TRL file but the dump.
    for (const auto& p : Files(".trl"))
      if (p.filename() != "Mirla.trl") {
        fs::path kml = p;
        EXPECT_TRUE(fs::file_size(kml.replace_extension(".kml")) > 0) << kml;
      }
  }

  static bool Same(const std::vector<TrackRecord>& a, const std::vector<TrackRecord>& b) {
    if (a.size() != b.size()) {
      ADD_FAILURE() << a.size() << " records, expected " << b.size();
      return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
      if (std::memcmp(a[i].bytes, b[i].bytes, 16) != 0) {
        ADD_FAILURE() << "record " << i << " differs";
        return false;
      }
    return true;
  }

  std::string Text(CWnd& wnd, int id) const {
    std::string text;
    wnd.GetDlgItemText(id, text);
    return text;
  }

  testsupport::TempDir home;
  sim::SimLogger logger{sim::Model::R710};
  std::shared_ptr<sim::LogMemorySim> memory;
  std::string photoFolder;  // the options dialog's JPEG folder, when set
  std::string textPath;     // ...and its Text and KML outputs
  std::string kmlPath;
  std::string announcement;
  ScriptedUi ui;
  CVantoUtilityDlg main;
  CPageDeviceSetting* device = nullptr;
  CPageMTKTracklogSetting* page = nullptr;
  std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv;
};
