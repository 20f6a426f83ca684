// The logger's recording settings as the chipset's log commands reach them:
// "$PMTK182,2,<id>" asks for one ("$PMTK182,3,<id>,<value>" back) and
// "$PMTK182,1,<id>,<value>" sets one ("$PMTK001,182,1,3" back), for the
// interval (3, tenths of a second), the distance (4, tenths of a metre) and
// the record mode (6: 1 overwrite, 2 full and stop).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace sim {

class SimLogger;

struct LogSettingsSim {
  // A logger that takes the sentences but stays silent.
  std::atomic<bool> answerQueries{true};
  std::atomic<bool> answerSets{true};
  // 0 invalid, 1 unsupported or 2 failed: sets and erases are answered
  // "$PMTK001,182,<t>,<refusal>" and change nothing; -1 takes them.
  std::atomic<int> refusal{-1};
};

// Teaches the logger the settings sentences and gives it the settings of a
// new logger (5 s, 100 m, full and stop); the state stays with the logger.
std::shared_ptr<LogSettingsSim> InstallLogSettings(SimLogger& logger);

}  // namespace sim
