#include "sim/SimExtensions.h"

#include "sim/BlockProtocolSim.h"
#include "sim/BtMacSim.h"
#include "sim/FlashExchangeSim.h"
#include "sim/LogMemorySim.h"
#include "sim/LogSettingsSim.h"
#include "sim/TrackLogSettingsSim.h"

namespace sim {

void InstallSimExtensions(SimLogger& logger) {
  // Extensions add their Install...(logger) call here.
  InstallBtMac(logger);
  // A log to upload: 200 records from a fixed seed.
  InstallBlockProtocol(logger)->SetLog(BlockProtocolSim::GenerateRecords(1, 200));
  InstallFlashExchange(logger);
  // A log of three sectors to download.
  LogMemorySim::Install(logger,
                        LogMemoryLayout{.seed = 1, .sectors = 3, .newestSectorBytes = 0x8000});
  InstallLogSettings(logger);
  InstallTrackLogSettings(logger);
}

}  // namespace sim
