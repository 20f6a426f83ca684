#include "sim/BtMacSim.h"

#include <cstdio>

#include "firmware/BtMac.h"
#include "sim/SimLogger.h"

std::string BtMacSim::Sentence(const std::string& body) {
  return body + "*" + SentenceChecksum(body) + "\r\n";
}

std::optional<std::string> BtMacSim::Handle(const std::string& sentence) {
  std::lock_guard lock(mutex);
  if (sentence.rfind("$PMTK492", 0) == 0) {
    if (!answerQuery) return std::string();
    if (rawReply) return *rawReply;
    std::string body = "$PMTK592,";
    for (int i = 0; i < 6; ++i) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", address ? (*address)[i] : 0xFF);
      body += hex;
    }
    return Sentence(body);
  }
  if (sentence.rfind("$PMTK392,", 0) == 0) {
    // $PMTK392,AABBCC,DDEEFF*CS
    if (sentence.size() < 9 + 13 || sentence[15] != ',') return std::string();
    std::string digits = sentence.substr(9, 6) + sentence.substr(16, 6);
    std::array<std::uint8_t, 6> a{};
    for (int i = 0; i < 6; ++i)
      a[i] = static_cast<std::uint8_t>(ParseHexText(digits.substr(2 * i, 2)));
    address = a;
    ++writes;
    return answerWrite ? Sentence("$PMTK010,002") : std::string();
  }
  return std::nullopt;
}

namespace sim {

std::shared_ptr<BtMacSim> InstallBtMac(SimLogger& logger) {
  auto state = std::make_shared<BtMacSim>();
  auto handler = [state](SimLogger& l, const std::string& sentence) {
    auto reply = state->Handle(sentence + "\r\n");
    if (!reply) return false;
    if (!reply->empty()) l.Send(*reply);
    return true;
  };
  logger.AddHandler("$PMTK492", handler);
  logger.AddHandler("$PMTK392,", handler);
  return state;
}

}  // namespace sim
