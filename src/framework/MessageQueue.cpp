#include "framework/MessageQueue.h"

#include <algorithm>
#include <map>

#include "framework/ViewHooks.h"

namespace fw {

namespace {

std::mutex g_queuesMutex;
std::map<std::thread::id, std::shared_ptr<ThreadQueue>>& Queues() {
  static auto* queues = new std::map<std::thread::id, std::shared_ptr<ThreadQueue>>();
  return *queues;
}

}  // namespace

namespace {
thread_local bool t_ownsWindows = false;
}  // namespace

bool ThreadOwnsWindows() { return t_ownsWindows; }
void MarkThreadOwnsWindows() { t_ownsWindows = true; }

std::shared_ptr<ThreadQueue> QueueOf(std::thread::id id) {
  std::lock_guard lock(g_queuesMutex);
  auto& q = Queues()[id];
  if (!q) q = std::make_shared<ThreadQueue>(id);
  return q;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  thread_local std::shared_ptr<ThreadQueue> mine = QueueOf(std::this_thread::get_id());
  return mine;
}

void ThreadQueue::Wake() {
  m_cv.notify_all();
  if (ViewBackend* view = GetViewBackend()) {
    // The view runs on one thread; only that thread's queue concerns it.
    if (view->ViewThread() == m_tid) view->Wake();
  }
}

void ThreadQueue::Post(QueueItem item) {
  {
    std::lock_guard lock(m_mutex);
    m_items.push_back(std::move(item));
  }
  Wake();
}

bool ThreadQueue::HandleSent() {
  bool any = false;
  for (;;) {
    QueueItem item;
    {
      std::lock_guard lock(m_mutex);
      auto it = std::find_if(m_items.begin(), m_items.end(),
                             [](const QueueItem& i) { return i.sent || i.call; });
      if (it == m_items.end()) return any;
      item = std::move(*it);
      m_items.erase(it);
    }
    any = true;
    if (item.call) {
      item.call();
      if (item.sent) {
        std::lock_guard lock(item.sent->m);
        item.sent->done = true;
        item.sent->cv.notify_all();
      }
      continue;
    }
    LRESULT r = ::SendMessage(item.msg.hwnd, item.msg.message, item.msg.wParam, item.msg.lParam);
    std::lock_guard lock(item.sent->m);
    item.sent->result = r;
    item.sent->done = true;
    item.sent->cv.notify_all();
  }
}

bool ThreadQueue::Peek(MSG& out, bool remove) {
  std::lock_guard lock(m_mutex);
  for (auto it = m_items.begin(); it != m_items.end(); ++it) {
    if (it->sent || it->call) continue;
    out = it->msg;
    if (remove) m_items.erase(it);
    return true;
  }
  auto now = std::chrono::steady_clock::now();
  for (Timer& t : m_timers) {
    if (t.due <= now) {
      out = MSG{t.hwnd, WM_TIMER, t.id, 0, 0, {}};
      if (remove) t.due = now + std::chrono::milliseconds(t.elapse);
      return true;
    }
  }
  return false;
}

int ThreadQueue::NextTimerDelay() {
  std::lock_guard lock(m_mutex);
  if (m_timers.empty()) return -1;
  auto now = std::chrono::steady_clock::now();
  auto next =
      std::min_element(m_timers.begin(), m_timers.end(), [](const Timer& a, const Timer& b) {
        return a.due < b.due;
      })->due;
  if (next <= now) return 0;
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1);
}

void ThreadQueue::WaitForWork(int maxMs) {
  int timerDelay = NextTimerDelay();
  int wait = maxMs;
  if (timerDelay >= 0 && (wait < 0 || timerDelay < wait)) wait = timerDelay;
  std::unique_lock lock(m_mutex);
  if (!m_items.empty() || wait == 0) return;
  if (wait < 0)
    m_cv.wait(lock, [&] { return !m_items.empty(); });
  else
    m_cv.wait_for(lock, std::chrono::milliseconds(wait), [&] { return !m_items.empty(); });
}

void ThreadQueue::WaitForSent(int maxMs) {
  std::unique_lock lock(m_mutex);
  auto ready = [&] {
    return std::any_of(m_items.begin(), m_items.end(),
                       [](const QueueItem& i) { return i.sent || i.call; });
  };
  m_cv.wait_for(lock, std::chrono::milliseconds(std::max(maxMs, 0)), ready);
}

void ThreadQueue::SetTimer(HWND h, UINT_PTR id, UINT elapseMs) {
  {
    std::lock_guard lock(m_mutex);
    auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(elapseMs);
    auto it = std::find_if(m_timers.begin(), m_timers.end(),
                           [&](const Timer& t) { return t.hwnd == h && t.id == id; });
    if (it != m_timers.end())
      *it = Timer{h, id, elapseMs, due};
    else
      m_timers.push_back(Timer{h, id, elapseMs, due});
  }
  Wake();
}

bool ThreadQueue::KillTimer(HWND h, UINT_PTR id) {
  std::lock_guard lock(m_mutex);
  auto it = std::find_if(m_timers.begin(), m_timers.end(),
                         [&](const Timer& t) { return t.hwnd == h && t.id == id; });
  if (it == m_timers.end()) return false;
  m_timers.erase(it);
  return true;
}

void ThreadQueue::KillTimers(HWND h) {
  std::lock_guard lock(m_mutex);
  std::erase_if(m_timers, [&](const Timer& t) { return t.hwnd == h; });
}

bool ThreadQueue::HasTimer(HWND h, UINT_PTR id) {
  std::lock_guard lock(m_mutex);
  return std::any_of(m_timers.begin(), m_timers.end(),
                     [&](const Timer& t) { return t.hwnd == h && t.id == id; });
}

LRESULT WaitSent(SentState& state, const std::function<bool()>& alive) {
  auto own = CurrentQueue();
  for (;;) {
    {
      std::unique_lock lock(state.m);
      if (state.cv.wait_for(lock, std::chrono::milliseconds(5), [&] { return state.done; }))
        return state.result;
    }
    // Messages sent to this thread meanwhile are handled, so two threads
    // sending to each other do not lock up.
    own->HandleSent();
    if (alive && !alive()) return 0;
  }
}

void RunOnThread(std::thread::id id, std::function<void()> fn, bool wait) {
  if (id == std::this_thread::get_id()) {
    fn();
    return;
  }
  auto queue = QueueOf(id);
  QueueItem item;
  item.call = std::move(fn);
  if (!wait) {
    queue->Post(std::move(item));
    return;
  }
  auto state = std::make_shared<SentState>();
  item.sent = state;
  queue->Post(std::move(item));
  WaitSent(*state, nullptr);
}

}  // namespace fw
