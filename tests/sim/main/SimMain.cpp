// navrel-sim: a simulated logger on a pseudo-terminal, announced to the
// port enumeration as a USB bridge, running until it is stopped. A firmware
// flashed into it stays for its next start (sim/SimFirmwareState.h).
//   navrel-sim [--model R710|TX380|R3500|R3300D] [--pace]
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "link/SimPortAnnouncement.h"
#include "sim/SimExtensions.h"
#include "sim/SimFirmwareState.h"
#include "sim/SimLogger.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
  sim::Model model = sim::Model::TX380;
  bool pace = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--pace") {
      pace = true;
    } else if (arg == "--model" && i + 1 < argc) {
      std::string name = argv[++i];
      if (name == "R710")
        model = sim::Model::R710;
      else if (name == "TX380")
        model = sim::Model::TX380;
      else if (name == "R3500")
        model = sim::Model::R3500;
      else if (name == "R3300D")
        model = sim::Model::R3300D;
      else {
        std::fprintf(stderr, "navrel-sim: unknown model %s\n", name.c_str());
        return 2;
      }
    } else {
      std::fprintf(stderr, "usage: navrel-sim [--model R710|TX380|R3500|R3300D] [--pace]\n");
      return 2;
    }
  }
  sim::SimLogger logger(model);
  if (!logger.Ok()) {
    std::fprintf(stderr, "navrel-sim: cannot create a pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }
  sim::InstallSimExtensions(logger);
  // A firmware flashed before this start is still there.
  sim::RestoreFirmwareVersion(logger);
  std::string kept = logger.Firmware();
  logger.SetPacing(pace);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  const std::string announcement = AnnounceSimulatedPort(
      logger.PortPath(), "CP210x USB to UART Bridge Controller", "navrel-sim");
  std::printf("navrel-sim: simulated logger on %s%s\n", logger.PortPath().c_str(),
              announcement.empty() ? " (could not announce it)" : "");
  std::fflush(stdout);
  while (!g_stop && !logger.Vanished()) {
    usleep(200000);
    if (const std::string now = logger.Firmware(); now != kept && sim::KeepFirmwareVersion(logger))
      kept = now;
  }
  if (logger.Firmware() != kept) sim::KeepFirmwareVersion(logger);
  WithdrawSimulatedPort(announcement);
  return 0;
}
