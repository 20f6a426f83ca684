// Finding a memory-read reply in the reply buffer and checking its checksum.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "firmware/PageDeviceSetting.h"
#include "link/ReplyText.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"

namespace {

constexpr char kReadReply[] = "$PMTK182,8,";
constexpr std::size_t kReadReplyHead = sizeof kReadReply - 1;  // 11
constexpr std::size_t kDataDigits = 4096;
constexpr std::size_t kMaxAddressChars = 9;
// A sentence up to its '*' is at most this long.
constexpr std::size_t kMaxSentence = 8191;
// Time without any log sentence after which the logger counts as silent
// (longer than the watchdog and the receive loop's own limit, which
// normally end such a wait first).
constexpr DWORD kMaxSilenceMs = 20000;

constexpr char kLogHead[] = "$PMTK182";

// SentenceEnd's answers besides an end position.
constexpr std::size_t kStillArriving = 0;
constexpr std::size_t kRunsOn = static_cast<std::size_t>(-1);

// Where the sentence at s ends, of which have bytes have arrived: at its line
// end, or where the next sentence starts when the line end was lost.
std::size_t SentenceEnd(const char* s, std::size_t have) {
  // Its '*' and two checksum digits may follow the longest sentence.
  constexpr std::size_t kLimit = kMaxSentence + 3;
  const std::size_t n = std::min(have, kLimit + 1);
  for (std::size_t i = 1; i < n; ++i)
    if (s[i] == '\r' || s[i] == '\n' || s[i] == '$') return i;
  return have > kLimit ? kRunsOn : kStillArriving;
}

}  // namespace

void CPageMTKTracklogSetting::VerifyReplyChecksum(const char* sentence, int* outcome) {
  int result = 3;
  if (sentence && sentence[0]) {
    std::size_t star = 1;
    while (star < kMaxSentence && sentence[star] && sentence[star] != '*') ++star;
    if (sentence[star] == '*') {
      BYTE sum = 0;
      for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<BYTE>(sentence[i]);
      const bool match =
          sentence[star + 1] == NibbleToHex(sum >> 4) && sentence[star + 2] == NibbleToHex(sum);
      result = match ? 1 : 2;
      m_bChecksumGood = match ? 1 : 0;
    }
  }
  if (outcome) *outcome = result;
}

char* CPageMTKTracklogSetting::WaitForReadReply(const char* from, int address) {
  m_bChecksumGood = 1;
  if (!from) return nullptr;
  std::size_t pos = 0;
  {
    auto lock = LockReplyBuffer();
    const char* buffer = m_pReplyBuffer.get();
    if (!buffer || from < buffer || from >= buffer + kReplyBufferSize) return nullptr;
    pos = static_cast<std::size_t>(from - buffer);
  }
  DWORD silentSince = GetTickCount();
  for (;;) {
    if (!m_pLinkDevicePage || m_pLinkDevicePage->m_hComPort == nullptr || m_bTransferCancel)
      return nullptr;
    enum class Next { Found, Damaged, Sleep, Wait, StepOver } next = Next::Wait;
    char* result = nullptr;
    {
      auto lock = LockReplyBuffer();
      char* buffer = m_pReplyBuffer.get();
      if (!buffer) return nullptr;
      // The bytes received so far, searched by count: noise between
      // sentences, zeros included, is stepped over.
      const std::size_t length = std::min(m_nReplyLength, kReplyBufferSize - 1);
      char* s = pos < length ? FindBytesWithin(buffer + pos, length - pos, kLogHead) : nullptr;
      const std::size_t have = s ? static_cast<std::size_t>(buffer + length - s) : 0;
      const std::size_t end = s ? SentenceEnd(s, have) : 0;
      if (!s) {
        next = Next::Sleep;
      } else if (have < kReadReplyHead) {
        next = Next::Wait;
      } else if (std::memcmp(s, kReadReply, kReadReplyHead) != 0) {
        next = Next::StepOver;  // another log sentence
      } else if (end == kStillArriving) {
        next = Next::Wait;
      } else if (end == kRunsOn) {
        next = Next::Damaged;
      } else {
        // The checksum first: a reply damaged on the line is asked for again
        // whatever its address or length have become.
        const std::string sentence(s, end);
        int outcome = 0;
        VerifyReplyChecksum(sentence.c_str(), &outcome);
        if (outcome != 1) {
          next = Next::Damaged;
        } else {
          const char* field = s + kReadReplyHead;
          const char* star = s + sentence.find('*');
          const char* comma = static_cast<const char*>(
              std::memchr(field, ',', static_cast<std::size_t>(star - field)));
          const std::size_t n = comma ? static_cast<std::size_t>(comma - field) : 0;
          if (n == 0 || n > kMaxAddressChars ||
              ParseHex(std::string(field, n).c_str()) != address) {
            next = Next::StepOver;  // a well-formed reply for another address
          } else {
            const char* data = comma;
            while (data < star && *data == ',') ++data;
            // A whole piece is exactly its digits; anything else is damaged.
            if (star - data == static_cast<std::ptrdiff_t>(kDataDigits)) {
              result = const_cast<char*>(data);
              next = Next::Found;
            } else {
              next = Next::Damaged;
            }
          }
        }
      }
      if (next == Next::StepOver) pos = static_cast<std::size_t>(s - buffer) + 1;
    }
    switch (next) {
      case Next::Found:
        return result;
      case Next::Damaged:
        m_bChecksumGood = 0;  // the sector is asked for again from this piece
        return nullptr;
      case Next::Sleep:
        if (GetTickCount() - silentSince > kMaxSilenceMs) {
          m_bTransferCancel = 1;  // the logger has gone quiet: cancel
          return nullptr;
        }
        Sleep(1000);
        break;
      case Next::Wait:
        // A short pause, so the receive thread gets the buffer to append.
        silentSince = GetTickCount();
        Sleep(1);
        break;
      default:
        silentSince = GetTickCount();
        break;
    }
  }
}
