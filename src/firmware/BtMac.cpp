#include "firmware/BtMac.h"

#include <cctype>
#include <cstdio>
#include <cstring>

bool BtMacAddress::AllFF() const {
  for (BYTE b : m)
    if (b != 0xFF) return false;
  return true;
}

std::string SentenceChecksum(const std::string& body) {
  BYTE sum = 0;
  for (std::size_t i = (!body.empty() && body[0] == '$') ? 1 : 0; i < body.size(); ++i)
    sum ^= static_cast<BYTE>(body[i]);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", sum);
  return hex;
}

unsigned ParseHexText(const std::string& text) {
  std::size_t i = 0;
  if (text.size() >= 2 && text[0] == '0' &&
      std::toupper(static_cast<unsigned char>(text[1])) == 'X')
    i = 2;
  unsigned value = 0;
  for (; i < text.size(); ++i) {
    const int c = std::toupper(static_cast<unsigned char>(text[i]));
    if (c >= '0' && c <= '9')
      value = value * 16 + static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'F')
      value = value * 16 + static_cast<unsigned>(c - 'A' + 10);
    else
      break;
  }
  return value;
}

BOOL ParseBtMacReplyText(const char* reply, BtMacAddress& mac) {
  if (!reply) return FALSE;
  const std::size_t len = strnlen(reply, 80);
  const std::size_t tag = std::strlen(BT_MAC_REPLY);
  std::size_t at = std::string::npos;
  for (std::size_t i = 0; i + tag <= len; ++i)
    if (std::strncmp(reply + i, BT_MAC_REPLY, tag) == 0) {
      at = i;
      break;
    }
  if (at == std::string::npos) return FALSE;
  // The field after "$PMTK592,": at most 20 characters, cut at '*'.
  std::string field(reply + at + tag, strnlen(reply + at + tag, 21));
  field = field.substr(field.empty() ? 0 : 1, 20);
  if (!field.empty() && field[0] == ',') field.erase(0, 1);
  field = field.substr(0, field.find('*'));
  for (int k = 0; k < 6; ++k) {
    const std::size_t off = static_cast<std::size_t>(2 * k);
    const std::string pair = off < field.size() ? field.substr(off, 2) : std::string();
    mac.m[5 - k] = static_cast<BYTE>(ParseHexText(pair));
  }
  return TRUE;
}

std::string FormatBtMacRegistryText(const BtMacAddress& mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac.m[0], mac.m[1], mac.m[2],
                mac.m[3], mac.m[4], mac.m[5]);
  return text;
}

void ParseBtMacRegistryText(const std::string& text, BtMacAddress& mac) {
  for (int k = 0; k < 6; ++k) {
    const std::size_t off = static_cast<std::size_t>(3 * k);
    mac.m[k] = static_cast<BYTE>(ParseHexText(off < text.size() ? text.substr(off, 2) : ""));
  }
}

std::string BuildBtMacWriteSentence(const BtMacAddress& mac) {
  char body[32];
  std::snprintf(body, sizeof body, "$PMTK392,%02X%02X%02X,%02X%02X%02X", mac.m[5], mac.m[4],
                mac.m[3], mac.m[2], mac.m[1], mac.m[0]);
  return std::string(body) + "*" + SentenceChecksum(body) + "\r\n";
}
