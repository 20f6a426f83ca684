// Every extension of the simulated logger, for the standalone simulator.
#pragma once

#include "sim/SimLogger.h"

namespace sim {

// Installs the handlers that extensions under tests/sim/ offer.
void InstallSimExtensions(SimLogger& logger);

}  // namespace sim
