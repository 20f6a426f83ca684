// Worker threads started with AfxBeginThread.
#include "framework/Thread.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <system_error>
#include <vector>

#include "framework/MessageQueue.h"
#include "platform/Trace.h"

namespace {

struct EndThread {
  UINT code;
};

std::atomic<DWORD> g_nextThreadId{1};

}  // namespace

struct ThreadRegistry {
  std::mutex mutex;
  // Every thread started, so that a caller's pointer stays valid; a thread
  // also holds its own object while it runs, so one still running at exit
  // keeps it until it ends.
  std::vector<std::shared_ptr<CWinThread>> threads;
};

namespace {
ThreadRegistry& Registry() {
  static ThreadRegistry registry;
  return registry;
}
}  // namespace

CWinThread::~CWinThread() = default;

void CWinThread::Run(std::shared_ptr<CWinThread> self, AFX_THREADPROC fn, LPVOID param) {
  {
    std::unique_lock lock(self->m_mutex);
    self->m_cv.wait(lock, [&] { return self->m_started; });
  }
  DWORD code = 0;
  try {
    code = fn(param);
  } catch (const EndThread& e) {
    code = e.code;
  } catch (const std::exception& e) {
    TraceOutput("Worker thread ended by exception: %s\n", e.what());
    code = static_cast<DWORD>(-1);
  }
  std::lock_guard lock(self->m_mutex);
  self->m_exitCode = code;
  self->m_ended = true;
  self->m_cv.notify_all();
}

DWORD CWinThread::ResumeThread() {
  std::lock_guard lock(m_mutex);
  DWORD previous = m_started ? 0 : 1;
  m_started = true;
  m_cv.notify_all();
  return previous;
}

bool CWinThread::IsRunning() const {
  std::lock_guard lock(m_mutex);
  return !m_ended;
}

BOOL CWinThread::GetExitCodeThread(DWORD* pExitCode) const {
  if (!pExitCode) return FALSE;
  std::lock_guard lock(m_mutex);
  *pExitCode = m_ended ? m_exitCode : STILL_ACTIVE;
  return TRUE;
}

DWORD CWinThread::Wait(DWORD timeoutMs) {
  {
    std::lock_guard lock(m_mutex);
    if (std::this_thread::get_id() == m_threadId) return WAIT_TIMEOUT;
  }
  auto start = std::chrono::steady_clock::now();
  auto queue = fw::CurrentQueue();
  for (;;) {
    {
      std::unique_lock lock(m_mutex);
      if (m_cv.wait_for(lock, std::chrono::milliseconds(5), [&] { return m_ended; }))
        return WAIT_OBJECT_0;
    }
    // Messages sent to this thread by the worker are answered meanwhile.
    queue->HandleSent();
    if (timeoutMs != INFINITE &&
        std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(timeoutMs))
      return WAIT_TIMEOUT;
  }
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES) {
  if (!pfnThreadProc) return nullptr;
  std::shared_ptr<CWinThread> t(new CWinThread());
  t->m_nPriority = nPriority;
  t->m_nThreadID = g_nextThreadId++;
  t->m_hThread = t.get();
  std::lock_guard registryLock(Registry().mutex);
  // The thread starts by taking this lock, so it sees its id set.
  std::lock_guard lock(t->m_mutex);
  t->m_started = (dwCreateFlags & CREATE_SUSPENDED) == 0;
  try {
    // Detached: the system releases the stack when the thread ends, and no
    // one needs to join it (waits are on m_ended).
    std::thread thread(&CWinThread::Run, t, pfnThreadProc, pParam);
    t->m_threadId = thread.get_id();
    thread.detach();
  } catch (const std::system_error& e) {
    TraceOutput("Worker thread not started: %s\n", e.what());
    return nullptr;
  }
  Registry().threads.push_back(t);
  return t.get();
}

void AfxEndThread(UINT nExitCode, BOOL) { throw EndThread{nExitCode}; }

BOOL AfxWaitForAllThreads(DWORD timeoutMs) {
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    std::vector<CWinThread*> running;
    {
      std::lock_guard lock(Registry().mutex);
      for (auto& t : Registry().threads)
        if (t->IsRunning()) running.push_back(t.get());
    }
    if (running.empty()) return TRUE;
    DWORD left = INFINITE;
    if (timeoutMs != INFINITE) {
      auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
      if (spent >= timeoutMs) return FALSE;
      left = timeoutMs - static_cast<DWORD>(spent);
    }
    if (running.front()->Wait(left) == WAIT_TIMEOUT) return FALSE;
  }
}
