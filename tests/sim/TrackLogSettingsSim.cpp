#include "sim/TrackLogSettingsSim.h"

#include <cstdlib>
#include <string>

#include "sim/SimLogger.h"

namespace sim {

namespace {
constexpr int kMetresParameter = 4;
constexpr int kFeetParameter = 5;
}  // namespace

std::shared_ptr<TrackLogSettingsState> InstallTrackLogSettings(SimLogger& logger) {
  auto state = std::make_shared<TrackLogSettingsState>();
  auto acknowledge = [](SimLogger& l, int type) {
    l.SendSentence("$PMTK001,182," + std::to_string(type) + ",3");
  };
  logger.AddHandler("$PMTK182,10*", [state, acknowledge](SimLogger& l, const std::string&) {
    state->recording = true;
    acknowledge(l, 10);
    return true;
  });
  logger.AddHandler("$PMTK182,11*", [state, acknowledge](SimLogger& l, const std::string&) {
    state->recording = false;
    acknowledge(l, 11);
    return true;
  });
  logger.AddHandler("$PMTK182,1,5,", [acknowledge](SimLogger& l, const std::string& sentence) {
    const long feet = std::strtol(sentence.c_str() + 13, nullptr, 10);
    l.SetLogParameter(kFeetParameter, static_cast<std::uint32_t>(feet));
    l.SetLogParameter(kMetresParameter,
                      static_cast<std::uint32_t>(static_cast<double>(feet) * 0.3048780487804878));
    acknowledge(l, 1);
    return true;
  });
  // The status query names no parameter; the logger answers with its
  // recording state.
  logger.AddHandler("$PMTK182,2*", [state](SimLogger& l, const std::string&) {
    l.SendSentence(std::string("$PMTK182,3,0,") + (state->recording ? "1" : "2"));
    return true;
  });
  // Tried before the handlers above: a refusing logger changes nothing.
  logger.AddHandler("$PMTK182,1", [state](SimLogger& l, const std::string& sentence) {
    if (state->refusal < 0) return false;
    const int type = std::atoi(sentence.c_str() + 9);
    l.SendSentence("$PMTK001,182," + std::to_string(type) + "," +
                   std::to_string(state->refusal.load()));
    return true;
  });
  return state;
}

}  // namespace sim
