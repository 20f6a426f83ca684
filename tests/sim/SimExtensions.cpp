#include "sim/SimExtensions.h"

namespace sim {

void InstallSimExtensions(SimLogger& logger) {
  // Extensions add their Install...(logger) call here.
  (void)logger;
}

}  // namespace sim
