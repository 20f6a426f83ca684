// Benchmark of the chipset log download (not part of the test suite): the
// whole 2 MB log from the simulated logger paced as a real line at 921600
// baud, with the program's own waits, compared with what the line can carry.
// Run build/log_download_bench.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "app/VantoUtilityDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "formats/StepByStepDlg.h"
#include "framework/Messages.h"
#include "link/SimPortAnnouncement.h"
#include "logger/PageMTKTracklogSetting.h"
#include "sim/LogMemorySim.h"
#include "sim/SimLogger.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

bool HasFile(const fs::path& folder, const std::string& suffix) {
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().string().ends_with(suffix) && e.path().filename() != "Mirla.trl") return true;
  return false;
}

}  // namespace

int main() {
  testsupport::TempDir home;
  const fs::path logs = home.path() / "logs";
  const fs::path again = home.path() / "again";
  fs::create_directories(logs);
  fs::create_directories(again);
  fs::create_directories(home.path() / "run");
  fs::permissions(home.path() / "run", fs::perms::owner_all);
  setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (home.path() / "run").c_str(), 1);

  sim::SimLogger logger(sim::Model::R710);
  auto memory = sim::LogMemorySim::Install(logger, {.seed = 7, .wrapped = true, .newestSector = 12});
  const std::string announcement =
      AnnounceSimulatedPort(logger.PortPath(), "CP210x USB to UART Bridge Controller", "bench");
  ScriptedUi ui;
  ui.OnModal(IDD_STEP_BY_STEP, [&](CDialog& dlg) {
    auto& options = static_cast<CStepByStepDlg&>(dlg);
    options.m_strLogFolder = logs.string();
    options.m_bLogFolderChosen = 1;
    options.m_bWriteTotal = 1;
    dlg.EndDialog(IDOK);
  });

  int result = 1;
  {
    CVantoUtilityDlg main;
    if (!main.Create(IDD_VANTOUTILITY_DIALOG, nullptr)) return 1;
    CPageDeviceSetting& device = *main.m_pPageDevice;
    CPageMTKTracklogSetting& page = *main.m_pPageMTKTracklogSetting;
    device.m_bConnectNext = TRUE;
    device.ToggleConnection();
    if (device.m_hComPort == nullptr) {
      std::fprintf(stderr, "log_download_bench: no link to the simulated logger\n");
      return 1;
    }
    logger.SetPacing(true);

    const auto start = Clock::now();
    Clock::time_point firstRequest{}, firstTrl{}, firstKml{};
    page.OnUpload();
    CWinThread* worker = page.GetDownloadThread();
    while (worker && worker->IsRunning()) {
      AfxPumpMessages();
      worker->Wait(5);
      const auto now = Clock::now();
      if (firstRequest == Clock::time_point{} && logger.CountReceived("$PMTK182,7,") > 0)
        firstRequest = now;
      if (firstTrl == Clock::time_point{} && HasFile(logs, ".trl")) firstTrl = now;
      if (firstKml == Clock::time_point{} && HasFile(logs, ".kml")) firstKml = now;
    }
    const auto end = Clock::now();
    std::string status;
    page.GetDlgItemText(IDC_MTK_TRANSFER_STATUS, status);

    // The files once more from the parsed tables, each step timed alone.
    const auto trlStart = Clock::now();
    page.WriteTrackFiles((again / "").string());
    const auto kmlStart = Clock::now();
    page.ConvertTrackFiles();
    const auto kmlEnd = Clock::now();

    // 1024 replies of 4096 digits with their head, checksum and line end,
    // and one acknowledgement per sector, at 92,160 bytes per second.
    const double lineBytes = 1024.0 * (20 + 4096 + 5) + 32.0 * 19;
    const double limit = lineBytes / 92160.0;
    const double transfer = Seconds(firstTrl - firstRequest);
    std::printf("status:            %s\n", status.c_str());
    std::printf("requests:          %zu\n", memory->Requests().size());
    std::printf("line limit:        %.1f s for %.0f bytes at 921600 baud\n", limit, lineBytes);
    std::printf("sector loop:       %.1f s (first request to the first TRL file)\n", transfer);
    std::printf("ratio to limit:    %.2f\n", limit / transfer);
    std::printf("before first read: %.1f s (options, heartbeat stop, speed switch)\n",
                Seconds(firstRequest - start));
    std::printf("TRL files:         %.2f s\n", Seconds(kmlStart - trlStart));
    std::printf("KML files:         %.2f s\n", Seconds(kmlEnd - kmlStart));
    std::printf("after the sectors: %.1f s (files, restore of the link)\n",
                Seconds(end - firstTrl));
    std::printf("whole Upload:      %.1f s\n", Seconds(end - start));
    (void)firstKml;
    result = status.rfind("Upload Succeed!", 0) == 0 ? 0 : 1;
    main.RunTimerThread(FALSE);
    main.WaitForTimerThreads();
    main.DestroyWindow();
  }
  WithdrawSimulatedPort(announcement);
  return result;
}
