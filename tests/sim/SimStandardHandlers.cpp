// The sentences every simulated logger answers: the maker's queries and
// command sentence, and the chipset's log commands.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sim/SimLogger.h"

namespace sim {

namespace {

// Fields of a sentence between the '$' head and the '*' (head included).
std::vector<std::string> Fields(const std::string& sentence) {
  std::vector<std::string> fields;
  std::string body = sentence.substr(0, sentence.find('*'));
  std::size_t start = 0;
  for (;;) {
    auto comma = body.find(',', start);
    fields.push_back(body.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

std::uint32_t Number(const std::string& text, bool hex) {
  return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, hex ? 16 : 10));
}

// A queried value as the chipset writes it: hexadecimal values always with
// eight digits (readers skip the first one), decimal values without padding.
std::string Format(std::uint32_t value, bool hex) {
  char text[16];
  std::snprintf(text, sizeof text, hex ? "%08X" : "%u", value);
  return text;
}

// Log parameters the chipset writes in hexadecimal.
bool SetValueIsHex(int id) { return id == 1 || id == 2; }
bool QueryValueIsHex(int id) { return id == 2 || (id >= 8 && id <= 11); }

void Acknowledge(SimLogger& logger, int type) {
  logger.SendSentence("$PMTK001,182," + std::to_string(type) + ",3");
}

// "$PMTK182,7,<address>,<length>": the log memory as 2048-byte replies.
void StreamLog(SimLogger& logger, std::uint32_t address, std::uint32_t length) {
  const std::vector<std::uint8_t> image = logger.LogImage();
  // Memory beyond the log is not read.
  length = address < image.size()
               ? std::min<std::uint32_t>(length, static_cast<std::uint32_t>(image.size() - address))
               : 0;
  static const char kHex[] = "0123456789ABCDEF";
  for (std::uint32_t offset = 0; offset < length && !logger.Vanished(); offset += 2048) {
    const std::uint32_t size = std::min<std::uint32_t>(2048, length - offset);
    char head[40];
    std::snprintf(head, sizeof head, "$PMTK182,8,%08X,", address + offset);
    std::string body = head;
    body.reserve(body.size() + 2 * size);
    for (std::uint32_t i = 0; i < size; ++i) {
      const std::size_t at = static_cast<std::size_t>(address) + offset + i;
      const std::uint8_t byte = image[at];
      body += kHex[byte >> 4];
      body += kHex[byte & 0x0F];
    }
    logger.SendSentence(body);
  }
  Acknowledge(logger, 7);
}

bool OnLogCommand(SimLogger& logger, const std::string& sentence) {
  const auto f = Fields(sentence);
  if (f.size() < 2) return false;
  const int type = std::atoi(f[1].c_str());
  switch (type) {
    case 1: {  // set a log parameter
      if (f.size() < 4) return false;
      const int id = std::atoi(f[2].c_str());
      logger.SetLogParameter(id, Number(f[3], SetValueIsHex(id)));
      Acknowledge(logger, 1);
      return true;
    }
    case 2: {  // query a log parameter
      if (f.size() < 3) return false;
      const int id = std::atoi(f[2].c_str());
      logger.SendSentence("$PMTK182,3," + std::to_string(id) + "," +
                          Format(logger.LogParameter(id), QueryValueIsHex(id)));
      return true;
    }
    case 6: {  // erase
      if (f.size() < 3 || f[2] != "1") return false;
      logger.Pause(logger.EraseDelayMs());
      logger.SetLogImage(std::vector<std::uint8_t>(logger.LogImage().size(), 0xFF));
      logger.SetLogParameter(8, 0);
      Acknowledge(logger, 6);
      return true;
    }
    case 7: {  // read log memory
      if (f.size() < 4) return false;
      StreamLog(logger, Number(f[2], true), Number(f[3], true));
      return true;
    }
    case 14: {  // link speed: acknowledged at the old rate, then switched
      if (f.size() < 3) return false;
      const unsigned rate = Number(f[2], false);
      Acknowledge(logger, 14);
      if (rate > 0) logger.SetBaud(rate);
      return true;
    }
    default:
      return false;
  }
}

bool OnMakerCommand(SimLogger& logger, const std::string& sentence) {
  const auto f = Fields(sentence);
  if (f.size() < 2) return false;
  const int n = std::atoi(f[1].c_str());
  std::string payload = "1";
  if (n == 3) payload = logger.Firmware();
  if (n == 7) payload = logger.Hardware();
  logger.SendSentence("$VANTO001," + std::to_string(n) + "," + payload);
  return true;
}

}  // namespace

void InstallStandardHandlers(SimLogger& logger) {
  logger.AddHandler("$PMTK182,", OnLogCommand);
  logger.AddHandler("$PMTK400", [](SimLogger& l, const std::string&) {
    l.SendSentence("$PMTK001,400,3");
    return true;
  });
  logger.AddHandler("$VANTO710,", OnMakerCommand);
  logger.AddHandler("$PVNT810", [](SimLogger& l, const std::string&) {
    if (!l.AnswersModelQuery()) return true;
    l.SendSentence(std::string("$PVNT852,") + ModelReplyName(l.GetModel()));
    return true;
  });
  logger.AddHandler("$PVNT829", [](SimLogger& l, const std::string&) {
    l.SendSentence("$PVNT861," + l.Firmware());
    return true;
  });
  logger.AddHandler("$PVNT832", [](SimLogger& l, const std::string&) {
    l.SendSentence("$PVNT865," + l.Hardware());
    return true;
  });
  logger.AddHandler("$PVNT837", [](SimLogger& l, const std::string&) {
    l.SendSentence("$PVNT900,1");
    return true;
  });
}

}  // namespace sim
