// Worker threads. AfxBeginThread starts fn(param) on a new thread and
// returns its CWinThread. The framework owns every CWinThread: the object
// stays valid for the whole run of the process (also after the thread has
// ended), so a caller may keep the pointer and ask it later whether the
// thread is still running or wait for it. The thread itself runs detached,
// so its stack is released as soon as it ends; the small objects are freed
// at exit (one whose thread still runs then is freed when that thread ends).
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "framework/WinDefs.h"

using AFX_THREADPROC = UINT (*)(LPVOID);

enum : int {
  THREAD_PRIORITY_LOWEST = -2,
  THREAD_PRIORITY_BELOW_NORMAL = -1,
  THREAD_PRIORITY_NORMAL = 0,
  THREAD_PRIORITY_ABOVE_NORMAL = 1,
  THREAD_PRIORITY_HIGHEST = 2,
  THREAD_PRIORITY_TIME_CRITICAL = 15,
};
enum : DWORD { CREATE_SUSPENDED = 0x00000004 };
enum : DWORD { WAIT_OBJECT_0 = 0, WAIT_TIMEOUT = 258 };
constexpr DWORD STILL_ACTIVE = 259;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

class CWinThread {
 public:
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;
  ~CWinThread();

  // Starts a thread created with CREATE_SUSPENDED; returns the previous
  // suspend count (1, then 0).
  DWORD ResumeThread();
  BOOL SetThreadPriority(int nPriority) {
    m_nPriority = nPriority;
    return TRUE;
  }
  int GetThreadPriority() const { return m_nPriority; }

  // Waits for the thread to end: WAIT_OBJECT_0 or WAIT_TIMEOUT. On a thread
  // that owns windows the wait handles its messages (so a worker's
  // SendMessage to that thread cannot deadlock the wait).
  DWORD Wait(DWORD timeoutMs = INFINITE);
  bool IsRunning() const;
  // STILL_ACTIVE while running, else the procedure's result.
  BOOL GetExitCodeThread(DWORD* pExitCode) const;

  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;  // kept for callers; the framework owns the object
  void* m_hThread = nullptr;  // non-null while the object exists

 private:
  friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
                                    LPSECURITY_ATTRIBUTES);
  friend struct ThreadRegistry;
  CWinThread() = default;
  // The thread holds self until its procedure has returned.
  static void Run(std::shared_ptr<CWinThread> self, AFX_THREADPROC fn, LPVOID param);

  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  std::thread::id m_threadId;
  bool m_started = false;  // released from suspension
  bool m_ended = false;
  DWORD m_exitCode = STILL_ACTIVE;
  int m_nPriority = THREAD_PRIORITY_NORMAL;
};

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// Ends the calling worker thread with the code (from inside the thread
// procedure or a function it calls).
[[noreturn]] void AfxEndThread(UINT nExitCode, BOOL bDelete = TRUE);
// Waits until every worker started by AfxBeginThread has ended, handling
// messages on a window thread; FALSE when the time ran out first.
BOOL AfxWaitForAllThreads(DWORD timeoutMs);
