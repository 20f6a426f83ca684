// The message queue of each thread that owns windows (internal): posted
// messages, messages sent from other threads, calls marshalled to the
// thread, and the thread's timers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/Messages.h"

namespace fw {

struct SentState {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  LRESULT result = 0;
};

struct QueueItem {
  MSG msg;
  std::shared_ptr<SentState> sent;  // set for a message sent from another thread
  std::function<void()> call;       // set for a call marshalled to the thread
};

class ThreadQueue {
 public:
  explicit ThreadQueue(std::thread::id id) : m_tid(id) {}
  std::thread::id Thread() const { return m_tid; }

  void Post(QueueItem item);
  // Handles every waiting sent message and call; TRUE when one was handled.
  bool HandleSent();
  // The next posted message, or a due timer's WM_TIMER; FALSE when none.
  bool Peek(MSG& out, bool remove);
  // Blocks until something arrives, a timer is due or maxMs passed.
  void WaitForWork(int maxMs);
  // Blocks until a sent message or call arrives or maxMs passed.
  void WaitForSent(int maxMs);
  // Milliseconds until the next timer (-1: none).
  int NextTimerDelay();
  void SetTimer(HWND h, UINT_PTR id, UINT elapseMs);
  bool KillTimer(HWND h, UINT_PTR id);
  void KillTimers(HWND h);
  bool HasTimer(HWND h, UINT_PTR id);
  // Wakes a blocked WaitForWork and the view.
  void Wake();

 private:
  struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    std::chrono::steady_clock::time_point due;
  };
  std::thread::id m_tid;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<QueueItem> m_items;
  std::vector<Timer> m_timers;
};

// Whether the calling thread has created windows.
bool ThreadOwnsWindows();
void MarkThreadOwnsWindows();

// The queue of a thread (created on first use) and of the calling thread.
std::shared_ptr<ThreadQueue> QueueOf(std::thread::id id);
std::shared_ptr<ThreadQueue> CurrentQueue();

// Waits for a message sent (or a call made) to another thread, handling
// the calling thread's own incoming sent messages meanwhile; gives up when
// alive() turns false (the target window went away).
LRESULT WaitSent(SentState& state, const std::function<bool()>& alive);

// Runs fn on thread `id`: directly when that is the calling thread, else
// marshalled through its queue; waits for it when `wait`.
void RunOnThread(std::thread::id id, std::function<void()> fn, bool wait);

}  // namespace fw
