// The logger's side of the track-log setting page's sentences: recording on
// ("$PMTK182,10") and off ("$PMTK182,11"), the distance in feet
// ("$PMTK182,1,5,<feet>", kept as metres too) and the status query
// "$PMTK182,2". The other settings and queries are the chipset's log
// parameters, which every simulated logger answers.
#pragma once

#include <atomic>
#include <memory>

namespace sim {

class SimLogger;

struct TrackLogSettingsState {
  std::atomic<bool> recording{true};
  // 0 invalid, 1 unsupported or 2 failed: the recording switch and every set
  // are answered "$PMTK001,182,<t>,<refusal>" and change nothing; -1 takes them.
  std::atomic<int> refusal{-1};
};

// Teaches the simulated logger these sentences; the returned state stays
// with the logger.
std::shared_ptr<TrackLogSettingsState> InstallTrackLogSettings(SimLogger& logger);

}  // namespace sim
