// Worker threads started with AfxBeginThread.
#include "framework/Thread.h"

#include <atomic>
#include <chrono>
#include <memory>
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
  std::vector<std::unique_ptr<CWinThread>> threads;

  ~ThreadRegistry() {
    // Threads that ended are joined; one still running at exit is let go
    // rather than blocking the exit.
    std::lock_guard lock(mutex);
    for (auto& t : threads) {
      if (!t->m_thread.joinable()) continue;
      if (t->IsRunning())
        t->m_thread.detach();
      else
        t->m_thread.join();
    }
    // Detached threads may still use their objects; they are not freed.
    for (auto& t : threads) (void)t.release();
  }
};

namespace {
ThreadRegistry& Registry() {
  static ThreadRegistry registry;
  return registry;
}
}  // namespace

CWinThread::~CWinThread() = default;

void CWinThread::Run(AFX_THREADPROC fn, LPVOID param) {
  {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_started; });
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
  std::lock_guard lock(m_mutex);
  m_exitCode = code;
  m_ended = true;
  m_cv.notify_all();
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
  if (std::this_thread::get_id() == m_thread.get_id()) return WAIT_TIMEOUT;
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
  std::unique_ptr<CWinThread> t(new CWinThread());
  CWinThread* raw = t.get();
  raw->m_nPriority = nPriority;
  raw->m_nThreadID = g_nextThreadId++;
  raw->m_hThread = raw;
  raw->m_started = (dwCreateFlags & CREATE_SUSPENDED) == 0;
  {
    std::lock_guard lock(Registry().mutex);
    Registry().threads.push_back(std::move(t));
  }
  raw->m_thread = std::thread([raw, pfnThreadProc, pParam] { raw->Run(pfnThreadProc, pParam); });
  return raw;
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
