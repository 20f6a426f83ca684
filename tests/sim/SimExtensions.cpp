#include "sim/SimExtensions.h"

#include "sim/BtMacSim.h"
#include "sim/FlashExchangeSim.h"
#include "sim/LogMemorySim.h"
#include "sim/LogSettingsSim.h"

namespace sim {

void InstallSimExtensions(SimLogger& logger) {
  // Extensions add their Install...(logger) call here.
  InstallBtMac(logger);
  InstallFlashExchange(logger);
  // A log of three sectors to download.
  LogMemorySim::Install(logger,
                        LogMemoryLayout{.seed = 1, .sectors = 3, .newestSectorBytes = 0x8000});
  InstallLogSettings(logger);
}

}  // namespace sim
