#include "sim/SimExtensions.h"

#include "sim/BtMacSim.h"
#include "sim/FlashExchangeSim.h"
#include "sim/TrackLogSettingsSim.h"

namespace sim {

void InstallSimExtensions(SimLogger& logger) {
  // Extensions add their Install...(logger) call here.
  InstallBtMac(logger);
  InstallFlashExchange(logger);
  InstallTrackLogSettings(logger);
}

}  // namespace sim
