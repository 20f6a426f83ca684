// The handshake between the receive thread's pass and the senders that read
// the port themselves: a sender waits until the pass is over, so the two
// never read the port, or fill the reply buffer, at the same time.
#include <chrono>
#include <mutex>

#include "logger/PageMTKTracklogSetting.h"

BOOL CPageMTKTracklogSetting::BeginReceivePass() {
  // The flag is looked at under the pass lock: a sender that has seen no pass
  // running cannot have one start behind it while the flag stays clear.
  std::lock_guard lock(m_passMutex);
  if (!g_bReceiving || m_bReceiveStop || m_bTransferCancel || !PortSet() || !HasReplyBuffer())
    return FALSE;
  m_bReceivePassActive = true;
  return TRUE;
}

void CPageMTKTracklogSetting::EndReceivePass() {
  {
    std::lock_guard lock(m_passMutex);
    m_bReceivePassActive = false;
  }
  m_passEnded.notify_all();
}

void CPageMTKTracklogSetting::AwaitReceivePassEnd() {
  std::unique_lock lock(m_passMutex);
  if (!m_bReceivePassActive) return;
  // The pass ends at its next look at the flags, after at most one wait for
  // data; the bound only keeps a stuck receive thread from holding the sender.
  ++m_nReceivePassWaiters;
  m_passEnded.wait_for(lock, std::chrono::milliseconds(m_nReceivePassEndWaitMs),
                       [this] { return !m_bReceivePassActive; });
  --m_nReceivePassWaiters;
}

BOOL CPageMTKTracklogSetting::IsReceivePassAwaited() {
  std::lock_guard lock(m_passMutex);
  return m_nReceivePassWaiters > 0;
}
