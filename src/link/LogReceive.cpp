// The receive side of a log transfer: the receive loop that collects bulk
// replies into the reply buffer, and the sector-sized exchange.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"

std::atomic<int> g_bReceiving{0};
std::atomic<int> g_bTrimToLogReply{0};
std::atomic<int> g_nPollPauseMs{38};

namespace {

constexpr std::size_t kReceiveChunk = 4096;
constexpr std::size_t kLogDataChunk = 2048;
// Longest single wait for data; flags are looked at again after it.
constexpr int kDataWaitMs = 20;
// Pause while there is nothing to receive (between sectors, cancelled).
constexpr DWORD kIdlePauseMs = 5;

// Milliseconds since `since` on the wrapping tick count.
DWORD Elapsed(DWORD since) { return GetTickCount() - since; }

}  // namespace

std::size_t CPageMTKTracklogSetting::AppendReceived(const char* data, std::size_t count) {
  std::lock_guard lock(m_replyMutex);
  if (!m_pReplyBuffer) return 0;
  // Keep the text and its terminating zero inside the block.
  const std::size_t room = kReplyBufferSize - 1 - std::min(m_nReplyLength, kReplyBufferSize - 1);
  count = std::min(count, room);
  std::memcpy(m_pReplyBuffer.get() + m_nReplyLength, data, count);
  m_nReplyLength += count;
  m_pReplyBuffer[m_nReplyLength] = '\0';
  return count;
}

DWORD CPageMTKTracklogSetting::ReadReceived(char* data, DWORD count) {
  DWORD read = 0;
  if (m_pLinkDevicePage->m_hComPort == INVALID_HANDLE_VALUE) {
    // Closed by its handle alone: nothing to wait on, so pause instead.
    Sleep(kDataWaitMs);
    return 0;
  }
  if (!m_pLinkDevicePage->WaitPortReadable(kDataWaitMs)) return 0;
  // A port that has gone away is reported readable at once but gives
  // nothing: pause as if waiting, so the silence limit is reached without
  // spinning.
  if (!m_pLinkDevicePage->ReadPort(data, count, &read) || read == 0) {
    Sleep(kDataWaitMs);
    return 0;
  }
  return read;
}

BOOL CPageMTKTracklogSetting::HasReplyBuffer() {
  // The download worker may free the buffer while this thread looks.
  std::lock_guard lock(m_replyMutex);
  return m_pReplyBuffer != nullptr;
}

void CPageMTKTracklogSetting::DiscardReceived(int count) {
  std::lock_guard lock(m_replyMutex);
  if (!m_pReplyBuffer || count <= 0) return;
  char* text = m_pReplyBuffer.get();
  const std::size_t length = std::max(m_nReplyLength, strnlen(text, kReplyBufferSize - 1));
  const std::size_t drop = std::min(static_cast<std::size_t>(count), length);
  std::memmove(text, text + drop, length - drop);
  std::memset(text + length - drop, 0, drop);
  m_nReplyLength = length - drop;
  m_nReceivedBytes -= static_cast<int>(drop);
}

UINT CPageMTKTracklogSetting::ReceiveThreadProc(void* page) {
  static_cast<CPageMTKTracklogSetting*>(page)->ReceiveLoop();
  return 0;
}

int CPageMTKTracklogSetting::ReceiveLoop() {
  MarkSentenceSent();
  std::vector<char> chunk(kReceiveChunk);
  while (!m_bReceiveStop) {
    if (!BeginReceivePass()) {
      Sleep(kIdlePauseMs);
      continue;
    }
    const BOOL goOn = RunReceivePass(chunk);
    EndReceivePass();
    if (!goOn) break;
  }
  return 0;
}

BOOL CPageMTKTracklogSetting::RunReceivePass(std::vector<char>& chunk) {
  // A new pass (a new sector request): start from an empty buffer.
  ClearReplyBuffer();
  m_nReceivedBytes = 0;
  // The pass lasts while the download receives; a buffer that fills up
  // ends it (below). Bytes are not counted across the pass: the senders
  // empty the buffer at each request, and a pass that outlives one must not
  // end, and empty the buffer, in the middle of the next sector.
  DWORD lastData = GetTickCount();
  while (g_bReceiving && !m_bReceiveStop) {
    if (!PortSet() || m_bTransferCancel) break;
    const DWORD read = ReadReceived(chunk.data(), static_cast<DWORD>(chunk.size()));
    if (read > 0) {
      const std::size_t kept = AppendReceived(chunk.data(), read);
      m_nReceivedBytes += static_cast<int>(kept);
      lastData = GetTickCount();
      if (m_onReceiveAppended) m_onReceiveAppended();
      if (kept < read) break;  // buffer full: the pass ends, the next one starts empty
    } else if (Elapsed(lastData) > static_cast<DWORD>(m_nReceiveIdleLimitMs)) {
      // The logger has fallen silent: give the transfer up.
      g_bReceiving = 0;
      m_bReceiveStop = 1;
      m_bTransferCancel = 1;
      return FALSE;
    }
  }
  return TRUE;
}

char* CPageMTKTracklogSetting::ReceiveLogData(int count) {
  AwaitReceivePassEnd();
  MarkSentenceSent();
  if (!m_pReplyBuffer) return NotConnectedReply();
  {
    std::lock_guard lock(m_replyMutex);
    m_nReplyLength = strnlen(m_pReplyBuffer.get(), kReplyBufferSize - 1);
  }
  const std::size_t target = 2 * static_cast<std::size_t>(std::max(count, 0)) + 1536;
  bool trimmed = !g_bTrimToLogReply;
  std::size_t appended = 0;
  std::vector<char> chunk(kLogDataChunk);
  DWORD lastData = GetTickCount();
  while (appended <= target && PortSet()) {
    const DWORD read = ReadReceived(chunk.data(), static_cast<DWORD>(chunk.size()));
    if (read == 0) {
      // Without data for the idle limit the exchange ends with what came.
      if (Elapsed(lastData) > static_cast<DWORD>(m_nReceiveIdleLimitMs)) break;
      continue;
    }
    lastData = GetTickCount();
    const char* piece = chunk.data();
    std::size_t len = read;
    if (!trimmed) {
      static const char kHead[] = "$PMTK182";
      const char* found = std::search(piece, piece + len, kHead, kHead + 8);
      if (found == piece + len) continue;
      len -= static_cast<std::size_t>(found - piece);
      piece = found;
      trimmed = true;
    }
    const std::size_t kept = AppendReceived(piece, len);
    appended += kept;
    if (kept < len) break;  // the buffer is full
  }
  return m_pReplyBuffer.get();
}

char* CPageMTKTracklogSetting::SendLogCommandSized(int t, int a, int b) {
  AwaitReceivePassEnd();
  MarkSentenceSent();
  ClearReplyBuffer();
  if (!g_bPortOpen || !m_pReplyBuffer) return AnswerNotConnected();
  WriteSentence(BuildLogSentence(t, a, b), 0, 0);
  const char* expected = (t == 2 || t == 7) ? "$PMTK182" : "$PMTK001";
  const int polls = (t == 6) ? 100 : 10;
  // Reads of 6 bytes per requested byte, never past the end of the block.
  const long long wanted = 6LL * std::max(b, 0);
  const DWORD readBytes =
      static_cast<DWORD>(std::min<long long>(wanted, static_cast<long long>(kReplyBufferSize - 1)));
  for (int poll = 0; poll < polls; ++poll) {
    Sleep(static_cast<DWORD>(std::max(g_nPollPauseMs.load(), 0)));
    PollRead(readBytes);
    std::lock_guard lock(m_replyMutex);
    char* buffer = m_pReplyBuffer.get();
    if (!buffer) return nullptr;
    if (t == 7) return buffer;
    if (std::strncmp(buffer, expected, 8) == 0) return buffer;
  }
  return nullptr;
}
