// Sentence building and the waiting senders of the command layer.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"

namespace {

constexpr DWORD kPollPauseMs = 38;
constexpr DWORD kPollReadBytes = 80;
constexpr DWORD kHighSpeedPiece = 16;
constexpr DWORD kHighSpeedPauseMs = 100;
constexpr DWORD kPostedReadPauseMs = 50;
constexpr int kMakerPolls = 60;
// Polls that wait for the rest of a reply caught while it was arriving.
constexpr int kRestPolls = 10;
constexpr int kRetryResends = 50;
constexpr int kRetryAttempts = 1000;

std::string WithChecksum(const std::string& body) {
  BYTE sum = 0;
  for (std::size_t i = 1; i < body.size(); ++i) sum ^= static_cast<BYTE>(body[i]);
  std::string sentence = body;
  sentence += '*';
  sentence += CPageMTKTracklogSetting::NibbleToHex(sum >> 4);
  sentence += CPageMTKTracklogSetting::NibbleToHex(sum & 0x0F);
  sentence += "\r\n";
  return sentence;
}

std::string FormatArg(int value, bool hexadecimal) {
  char text[16];
  std::snprintf(text, sizeof text, hexadecimal ? "%X" : "%d", value);
  return text;
}

}  // namespace

void CPageMTKTracklogSetting::MarkSentenceSent() {
  std::atomic_ref<BOOL>(g_utilityManager.m_bSendPmtkFirst).store(TRUE);
}

char CPageMTKTracklogSetting::NibbleToHex(int nibble) {
  nibble &= 0x0F;
  return static_cast<char>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
}

int CPageMTKTracklogSetting::GetLogArgRadix(int t, int a) {
  switch (t) {
    case 1:
      return (a == 1 || a == 2) ? 2 : 0;
    case 3:
      return (a == 2 || (a >= 8 && a <= 11)) ? 2 : 0;
    case 6:
      return a == 2 ? 2 : 0;
    case 7:
    case 8:
    case 12:
      return 3;
    default:
      return 0;
  }
}

std::string CPageMTKTracklogSetting::BuildLogSentence(int t, int a, int b) {
  if (t == 400) return WithChecksum("$PMTK400");
  const int radix = GetLogArgRadix(t, a);
  std::string body = "$PMTK182," + std::to_string(t);
  if (a != 0 || t == 7 || t == 12) body += "," + FormatArg(a, radix & 1);
  if (b != 0 || t == 7 || t == 12 || (t == 6 && a == 2)) body += "," + FormatArg(b, radix & 2);
  return WithChecksum(body);
}

std::string CPageMTKTracklogSetting::BuildMakerSentence(int n) {
  return WithChecksum("$VANTO710," + std::to_string(n));
}

BOOL CPageMTKTracklogSetting::AllocateReplyBuffer() {
  std::lock_guard lock(m_replyMutex);
  if (!m_pReplyBuffer) {
    m_pReplyBuffer.reset(new (std::nothrow) char[kReplyBufferSize]);
    if (!m_pReplyBuffer) return FALSE;
  }
  std::memset(m_pReplyBuffer.get(), 0, kReplyBufferSize);
  m_nReplyLength = 0;
  return TRUE;
}

void CPageMTKTracklogSetting::FreeReplyBuffer() {
  std::lock_guard lock(m_replyMutex);
  m_pReplyBuffer.reset();
  m_nReplyLength = 0;
}

void CPageMTKTracklogSetting::ClearReplyBuffer() {
  std::lock_guard lock(m_replyMutex);
  if (m_pReplyBuffer) std::memset(m_pReplyBuffer.get(), 0, kReplyBufferSize);
  m_nReplyLength = 0;
}

BOOL CPageMTKTracklogSetting::IsNotConnected(const char* reply) const {
  return reply && std::strcmp(reply, m_szNotConnected) == 0;
}

BOOL CPageMTKTracklogSetting::PortSet() const {
  return m_pLinkDevicePage && m_pLinkDevicePage->m_hComPort != nullptr;
}

char* CPageMTKTracklogSetting::AnswerNotConnected() {
  if (PortSet()) {
    m_pLinkDevicePage->PurgePort();
    m_pLinkDevicePage->ClosePort();
  }
  return NotConnectedReply();
}

BOOL CPageMTKTracklogSetting::WriteSentence(const std::string& sentence, DWORD pieceSize,
                                            DWORD pauseMs) {
  if (!m_pLinkDevicePage) return FALSE;
  DWORD written = 0;
  if (pieceSize == 0)
    return m_pLinkDevicePage->WritePort(sentence.data(), static_cast<DWORD>(sentence.size()),
                                        &written);
  // At 921600 baud the logger takes a sentence only in short pieces.
  BOOL ok = FALSE;
  for (std::size_t pos = 0; pos < sentence.size(); pos += pieceSize) {
    const DWORD len = static_cast<DWORD>(std::min<std::size_t>(pieceSize, sentence.size() - pos));
    ok = m_pLinkDevicePage->WritePort(sentence.data() + pos, len, &written);
    Sleep(pauseMs);
  }
  return ok;
}

DWORD CPageMTKTracklogSetting::PollRead(DWORD count, DWORD at) {
  // A poll reads into the start of the buffer over what an earlier poll left.
  if (at >= kReplyBufferSize - 1) return 0;
  count = std::min<DWORD>(count, static_cast<DWORD>(kReplyBufferSize - 1 - at));
  DWORD read = 0;
  if (m_pLinkDevicePage) {
    std::lock_guard lock(m_replyMutex);
    if (!m_pReplyBuffer) return 0;
    if (!m_pLinkDevicePage->ReadPort(m_pReplyBuffer.get() + at, count, &read)) read = 0;
  }
  return read;
}

void CPageMTKTracklogSetting::ReadRestOfReply(DWORD have) {
  for (int poll = 0;; ++poll) {
    {
      std::lock_guard lock(m_replyMutex);
      char* buffer = m_pReplyBuffer.get();
      if (!buffer) return;
      buffer[have] = '\0';  // not what an earlier, longer poll left behind
      if (std::memchr(buffer, '\n', have) || have >= kPollReadBytes || poll == kRestPolls) return;
    }
    Sleep(kPollPauseMs);
    have += PollRead(kPollReadBytes - have, have);
  }
}

char* CPageMTKTracklogSetting::SendLogCommand(int t, int a, int b) {
  AwaitReceivePassEnd();
  MarkSentenceSent();
  ClearReplyBuffer();
  if (!g_bPortOpen || !m_pReplyBuffer) return AnswerNotConnected();

  const std::string sentence = BuildLogSentence(t, a, b);
  if (g_utilityManager.m_bHighSpeed)
    WriteSentence(sentence, kHighSpeedPiece, kHighSpeedPauseMs);
  else
    WriteSentence(sentence, 0, 0);

  const char* expected = (t == 2 || t == 7) ? "$PMTK182" : "$PMTK001";
  const int polls = (t == 6) ? 1000 : 10;
  for (int poll = 0; poll < polls; ++poll) {
    Sleep(kPollPauseMs);
    const DWORD read = PollRead(kPollReadBytes);
    char* answer = nullptr;
    {
      std::lock_guard lock(m_replyMutex);
      char* buffer = m_pReplyBuffer.get();
      if (!buffer) return nullptr;
      if (std::strcmp(buffer, sentence.c_str()) == 0) std::strcpy(buffer, "NONE");
      if (t == 7) return buffer;
      if (std::strncmp(buffer, expected, 8) == 0) answer = buffer;
    }
    if (answer) {
      // Its flag or value may still be on the line.
      ReadRestOfReply(read);
      return answer;
    }
  }
  return nullptr;
}

char* CPageMTKTracklogSetting::SendLogCommandRetry(int t, int a, int b) {
  if (t == 2) b = 0;
  CPageDeviceSetting* device = m_pLinkDevicePage;
  auto commandDone = [device] {
    if (device) device->m_bCommandDone = TRUE;
  };
  auto answered = [t](char* reply) {
    return (t == 2 || t == 7) ? FindLogReply(reply, 80) != nullptr : reply != nullptr;
  };
  for (int attempt = 1;; ++attempt) {
    char* reply = SendLogCommand(t, a, b);
    if (t != 6) {
      // Queries are judged by their reply; a set always goes out again.
      bool found = (t == 2 || t == 7) && FindLogReply(reply, 80) != nullptr;
      for (int resend = 1; !found; ++resend) {
        reply = SendLogCommand(t, a, b);
        found = answered(reply);
        if (resend >= kRetryResends) {
          g_utilityManager.m_bLinkLost = TRUE;
          commandDone();
          return NotConnectedReply();
        }
      }
    }
    if (reply && !IsNotConnected(reply)) {
      commandDone();
      return reply;
    }
    if (attempt >= kRetryAttempts) {
      commandDone();
      return NotConnectedReply();
    }
    if (reply) return reply;  // "Not Connected"
  }
}

BOOL CPageMTKTracklogSetting::PostLogCommand(int t, int a, int b) {
  MarkSentenceSent();
  ClearReplyBuffer();
  if (!g_bPortOpen || !m_pReplyBuffer) return FALSE;
  const std::string sentence = BuildLogSentence(t, a, b);
  if (g_utilityManager.m_bHighSpeed && t == 7)
    return WriteSentence(sentence, kHighSpeedPiece, kPostedReadPauseMs);
  return WriteSentence(sentence, 0, 0);
}

char* CPageMTKTracklogSetting::SendMakerCommand(int n, const std::string&) {
  AwaitReceivePassEnd();
  MarkSentenceSent();
  ClearReplyBuffer();
  if (!g_bPortOpen || !m_pReplyBuffer) return AnswerNotConnected();
  WriteSentence(BuildMakerSentence(n), 0, 0);
  const std::string accepted = "$VANTO001," + std::to_string(n);
  for (int poll = 0; poll < kMakerPolls; ++poll) {
    Sleep(kPollPauseMs);
    PollRead(kPollReadBytes);
    std::lock_guard lock(m_replyMutex);
    char* reply = FindMakerReply(m_pReplyBuffer.get(), 80);
    if (reply && std::strncmp(reply, accepted.c_str(), accepted.size()) == 0) return reply;
  }
  return nullptr;
}

char* CPageMTKTracklogSetting::SendDeviceQuery(int query, const std::string&) {
  struct Query {
    int id;
    const char* sentence;
    int kind;  // FindDeviceReply kind of the awaited reply, 0 for none
    const char* prefix;
  };
  static const Query kQueries[] = {{810, "$PVNT810*25\r\n", 1, "$PVNT852"},
                                   {861, "$PVNT829*2F\r\n", 2, "$PVNT861"},
                                   {865, "$PVNT832*25\r\n", 3, "$PVNT865"},
                                   {837, "$PVNT837*20\r\n", 0, nullptr}};
  AwaitReceivePassEnd();
  MarkSentenceSent();
  ClearReplyBuffer();
  if (!g_bPortOpen || !m_pReplyBuffer) return AnswerNotConnected();
  const Query* q = nullptr;
  for (const auto& entry : kQueries)
    if (entry.id == query) q = &entry;
  if (!q) return nullptr;
  WriteSentence(q->sentence, 0, 0);
  for (int poll = 0; poll < kMakerPolls; ++poll) {
    Sleep(kPollPauseMs);
    PollRead(kPollReadBytes);
    if (q->kind == 0) continue;
    std::lock_guard lock(m_replyMutex);
    char* reply = FindDeviceReply(m_pReplyBuffer.get(), q->kind, 80);
    if (reply && std::strncmp(reply, q->prefix, 8) == 0) return reply;
  }
  return nullptr;
}
