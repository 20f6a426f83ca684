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

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

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
  // "$PMTK592," (a second comma may follow), twelve hexadecimal digits and
  // the checksum of the sentence: anything else is a garbled line, which
  // would otherwise be read as an address of zeros and replace the real one.
  const char* p = reply + at + tag;
  if (*p++ != ',') return FALSE;
  if (*p == ',') ++p;
  const char* digits = p;
  for (int i = 0; i < 12; ++i, ++p)
    if (HexDigit(*p) < 0) return FALSE;
  if (*p != '*') return FALSE;
  const int high = HexDigit(p[1]);
  const int low = high < 0 ? -1 : HexDigit(p[2]);
  if (low < 0) return FALSE;
  BYTE sum = 0;
  for (const char* c = reply + at + 1; c < p; ++c) sum ^= static_cast<BYTE>(*c);
  if (sum != high * 16 + low) return FALSE;
  for (int k = 0; k < 6; ++k)
    mac.m[5 - k] = static_cast<BYTE>(HexDigit(digits[2 * k]) * 16 + HexDigit(digits[2 * k + 1]));
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
