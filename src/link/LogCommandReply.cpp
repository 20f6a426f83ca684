// Reply matching of the command layer: finders, field getters and parsers
// over the zero-terminated reply text.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link/ReplyText.h"
#include "logger/PageMTKTracklogSetting.h"

namespace {

constexpr int kFieldSearchBytes = 80;

}  // namespace

char* CPageMTKTracklogSetting::FindLogReply(char* text, int n) {
  return FindTextWithin(text, "$PMTK182", n);
}

char* CPageMTKTracklogSetting::FindMakerReply(char* text, int n) {
  return FindTextWithin(text, "$VANTO001", n);
}

char* CPageMTKTracklogSetting::FindDeviceReply(char* text, int kind, int n) {
  static const char* const kPrefixes[] = {"$PVNT", "$PVNT852", "$PVNT861", "$PVNT865", "$PVNT900"};
  if (kind < 0 || kind > 4) return nullptr;
  return FindTextWithin(text, kPrefixes[kind], n);
}

char* CPageMTKTracklogSetting::GetLogReplyField(char* text, int offset, int count) {
  char* sentence = FindLogReply(text, kFieldSearchBytes);
  return sentence ? CutReplyField(sentence, offset, count) : nullptr;
}

char* CPageMTKTracklogSetting::GetLogDataField(char* text, int offset, int count) {
  return GetLogReplyField(text, offset, count);
}

char* CPageMTKTracklogSetting::GetMakerReplyField(char* text, int offset, int count) {
  char* sentence = FindMakerReply(text, kFieldSearchBytes);
  return sentence ? CutReplyField(sentence, offset, count) : nullptr;
}

char* CPageMTKTracklogSetting::GetDeviceReplyField(char* text, int offset, int count) {
  char* sentence = FindDeviceReply(text, 0, kFieldSearchBytes);
  return sentence ? CutReplyField(sentence, offset, count) : nullptr;
}

int CPageMTKTracklogSetting::ParseHex(const char* text) {
  if (!text) return 0;
  const char* p = text;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
  std::uint32_t value = 0;
  for (; *p; ++p) {
    int c = std::toupper(static_cast<unsigned char>(*p));
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      break;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return static_cast<int>(value);
}

int CPageMTKTracklogSetting::ParseLogReplyValue(char* reply, BOOL hex) {
  char* field = GetLogReplyField(reply, 13, 10);
  if (!field) return 0;
  if (*field == ',') ++field;
  std::string value(field, std::strcspn(field, "*"));
  if (hex) return ParseHex(value.c_str());
  // A figure beyond an int is held at its limit rather than wrapped.
  const long long v = std::strtoll(value.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

BOOL CPageMTKTracklogSetting::GetLogReplyDecimal(char* reply, int* value) {
  const char* p = FindLogReply(reply, kFieldSearchBytes);
  if (!p || std::strncmp(p, "$PMTK182,3,", 11) != 0) return FALSE;
  p += 11;
  while (*p >= '0' && *p <= '9') ++p;  // the parameter number
  if (*p++ != ',' || *p < '0' || *p > '9') return FALSE;
  long long v = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if ((v = v * 10 + (*p - '0')) > INT_MAX) return FALSE;
  if (*p != '*') return FALSE;  // a value cut short or followed by other text
  *value = static_cast<int>(v);
  return TRUE;
}

int CPageMTKTracklogSetting::GetAckFlag(const char* reply) {
  // "$PMTK001," then the command and the type, each followed by a comma.
  if (!reply || std::strncmp(reply, "$PMTK001,", 9) != 0) return -1;
  const char* p = reply + 9;
  for (int field = 0; field < 2; ++field) {
    while (*p >= '0' && *p <= '9') ++p;
    if (*p++ != ',') return -1;
  }
  if (*p < '0' || *p > '9' || (p[1] != '*' && p[1] != '\0')) return -1;
  return *p - '0';
}

void CPageMTKTracklogSetting::HexToBytes(const char* text, BYTE* bytes, int count) {
  if (!text || !bytes) return;
  for (int i = 0; i < count; ++i) {
    // Two characters per byte, never past the end of the text.
    char pair[3] = {0, 0, 0};
    if (text[0]) {
      pair[0] = text[0];
      pair[1] = text[1];
    }
    bytes[i] = static_cast<BYTE>(ParseHex(pair) & 0xFF);
    text += pair[0] ? (pair[1] ? 2 : 1) : 0;
  }
}

BOOL CPageMTKTracklogSetting::IsSentenceComplete(const char* text, int n) {
  if (!text) return FALSE;
  int i = 0;
  while (i < n && text[i] && text[i] != '*') ++i;
  if (i >= n || text[i] != '*') return FALSE;
  const char* p = text + i + 1;
  return p[0] && p[1] && p[2] == '\r' && p[3] == '\n';
}

void CPageMTKTracklogSetting::CopyHexText(char* destination, const char* source, int position,
                                          int count) {
  if (!destination || !source || position < 0 || count <= 0) return;
  std::memcpy(destination + 2 * static_cast<std::size_t>(position), source,
              2 * static_cast<std::size_t>(count));
}

void SwapByte(BYTE* p, BYTE* q) {
  BYTE t = *p;
  *p = *q;
  *q = t;
}

void ReverseWordBytes(BYTE* record) {
  for (int word = 0; word < 4; ++word) {
    BYTE* w = record + 4 * word;
    SwapByte(w, w + 3);
    SwapByte(w + 1, w + 2);
  }
}
