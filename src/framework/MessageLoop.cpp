// The thread message pump: PeekMessage / DispatchMessage and the waits
// that keep a window thread answering while it waits.
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "framework/MessageQueue.h"
#include "framework/ViewHooks.h"
#include "framework/WindowState.h"
#include "platform/Sleep.h"

namespace {

std::atomic<ViewBackend*> g_view{nullptr};
thread_local bool t_inViewEvents = false;

}  // namespace

void SetViewBackend(ViewBackend* view) { g_view = view; }
ViewBackend* GetViewBackend() { return g_view.load(); }

BOOL PeekMessage(LPMSG msg, HWND, UINT, UINT, UINT removeMsg) {
  ViewBackend* view = GetViewBackend();
  if (view && !t_inViewEvents && view->IsViewThread()) {
    t_inViewEvents = true;
    view->ProcessEvents();
    t_inViewEvents = false;
  }
  auto queue = fw::CurrentQueue();
  queue->HandleSent();
  MSG m;
  if (!queue->Peek(m, removeMsg == PM_REMOVE)) return FALSE;
  if (msg) *msg = m;
  return TRUE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg || !msg->hwnd || msg->message == WM_NULL) return 0;
  return fw::CallWindowProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void AfxPumpMessages() {
  // Each timer fires at most once per pump, so a timer shorter than its
  // handler cannot keep the pump from returning.
  std::set<std::pair<HWND, UINT_PTR>> firedTimers;
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_TIMER && !firedTimers.emplace(msg.hwnd, msg.wParam).second) break;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

BOOL AfxPumpWait(const std::function<bool()>& pred, DWORD timeoutMs) {
  auto start = std::chrono::steady_clock::now();
  auto queue = fw::CurrentQueue();
  for (;;) {
    AfxPumpMessages();
    if (pred()) return TRUE;
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
    if (timeoutMs != INFINITE && elapsed >= timeoutMs) return FALSE;
    queue->WaitForWork(5);
  }
}

int AfxViewPump() {
  AfxPumpMessages();
  return fw::CurrentQueue()->NextTimerDelay();
}

void AfxInstallPumpingSleep() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  SleepFunction previous = SetSleepFunction(nullptr);
  SetSleepFunction([previous](DWORD ms) {
    if (!fw::ThreadOwnsWindows()) {
      if (previous)
        previous(ms);
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      return;
    }
    auto queue = fw::CurrentQueue();
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      queue->HandleSent();
      auto now = std::chrono::steady_clock::now();
      if (now >= end) return;
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
      queue->WaitForSent(static_cast<int>(std::min<long long>(left, 50)) + 0);
    }
  });
}
