#include "sim/LogSettingsSim.h"

#include <cstdlib>
#include <string>

#include "sim/SimLogger.h"

namespace sim {

namespace {

bool IsSetting(int id) { return id == 3 || id == 4 || id == 6; }

// "$PMTK182,<type>,<id>[,<value>]*CS": the id, and the value text.
bool Parse(const std::string& sentence, int& id, std::string& value) {
  const std::string body = sentence.substr(0, sentence.find('*'));
  const std::size_t idAt = body.find(',', 9);
  if (idAt == std::string::npos) return false;
  id = std::atoi(body.c_str() + idAt + 1);
  const std::size_t valueAt = body.find(',', idAt + 1);
  value = valueAt == std::string::npos ? std::string() : body.substr(valueAt + 1);
  return true;
}

}  // namespace

std::shared_ptr<LogSettingsSim> InstallLogSettings(SimLogger& logger) {
  auto state = std::make_shared<LogSettingsSim>();
  logger.SetLogParameter(3, 50);
  logger.SetLogParameter(4, 1000);
  logger.SetLogParameter(6, 2);
  logger.AddHandler("$PMTK182,2,", [state](SimLogger& l, const std::string& sentence) {
    int id = 0;
    std::string value;
    if (!Parse(sentence, id, value) || !IsSetting(id)) return false;
    if (state->answerQueries)
      l.SendSentence("$PMTK182,3," + std::to_string(id) + "," + std::to_string(l.LogParameter(id)));
    return true;
  });
  logger.AddHandler("$PMTK182,1,", [state](SimLogger& l, const std::string& sentence) {
    int id = 0;
    std::string value;
    if (!Parse(sentence, id, value) || !IsSetting(id) || value.empty()) return false;
    if (state->refusal >= 0) {
      l.SendSentence("$PMTK001,182,1," + std::to_string(state->refusal.load()));
      return true;
    }
    l.SetLogParameter(id, static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10)));
    if (state->answerSets) l.SendSentence("$PMTK001,182,1,3");
    return true;
  });
  logger.AddHandler("$PMTK182,6,", [state](SimLogger& l, const std::string&) {
    if (state->refusal < 0) return false;  // the log memory's own erase
    l.SendSentence("$PMTK001,182,6," + std::to_string(state->refusal.load()));
    return true;
  });
  return state;
}

}  // namespace sim
