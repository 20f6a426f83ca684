// Finding a memory-read reply in the reply buffer and checking its checksum.
#include <cstring>
#include <string>

#include "firmware/PageDeviceSetting.h"
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
    enum class Next { Found, Bad, Sleep, Wait, StepOver } next = Next::Wait;
    char* result = nullptr;
    {
      auto lock = LockReplyBuffer();
      char* buffer = m_pReplyBuffer.get();
      if (!buffer) return nullptr;
      char* s = FindLogReply(buffer + pos, static_cast<int>(kReplyBufferSize - 1 - pos));
      if (!s) {
        next = Next::Sleep;
      } else if (std::strncmp(s, kReadReply, kReadReplyHead) != 0) {
        // Another log sentence: stepped over once its head has arrived.
        next = strnlen(s, kReadReplyHead) < kReadReplyHead ? Next::Wait : Next::StepOver;
      } else {
        const char* field = s + kReadReplyHead;
        std::size_t n = 0;
        while (n <= kMaxAddressChars && field[n] && field[n] != ',' && field[n] != '*') ++n;
        const char* data = field + n;
        while (*data == ',') ++data;
        if (field[n] == '\0' || *data == '\0') {
          next = Next::Wait;
        } else if (n > kMaxAddressChars || field[n] != ',' ||
                   ParseHex(std::string(field, n).c_str()) != address) {
          next = Next::StepOver;  // a reply for another address, or none
        } else {
          const std::size_t have = strnlen(data, kDataDigits + 5);
          const char* lineEnd = static_cast<const char*>(std::memchr(data, '\n', have));
          if (have > kDataDigits + 3 &&
              (data[kDataDigits + 3] == '\r' ||
               (have > kDataDigits + 4 && data[kDataDigits + 4] == '\n'))) {
            int outcome = 0;
            VerifyReplyChecksum(s, &outcome);
            if (outcome == 2) return nullptr;
            result = const_cast<char*>(data);
            next = Next::Found;
          } else if (lineEnd || have > kDataDigits + 4) {
            next = Next::StepOver;  // ended early or runs on: not a whole piece
          } else {
            next = Next::Wait;
          }
        }
      }
      if (next == Next::StepOver) pos = static_cast<std::size_t>(s - buffer) + 1;
    }
    switch (next) {
      case Next::Found:
        return result;
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
