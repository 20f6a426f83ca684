// The standalone simulator keeps the firmware version flashed into it across
// its own restarts, as a real logger does, so that a program started again
// reads the new version. The state is the simulator's own: one small file
// per model in $XDG_STATE_HOME/navrel-sim (else ~/.local/state/navrel-sim).
#pragma once

#include <filesystem>

#include "sim/SimLogger.h"

namespace sim {

std::filesystem::path FirmwareStateFile(Model model);
// Gives the logger the version kept for its model, if there is one.
void RestoreFirmwareVersion(SimLogger& logger);
// Keeps the logger's current version for its next start.
bool KeepFirmwareVersion(const SimLogger& logger);

}  // namespace sim
