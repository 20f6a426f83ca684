#include "platform/Sleep.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace {

std::mutex g_sleepMutex;
SleepFunction g_sleepFunction;

void RealSleep(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

void Sleep(DWORD ms) {
  SleepFunction fn;
  {
    std::lock_guard lock(g_sleepMutex);
    fn = g_sleepFunction;
  }
  if (fn)
    fn(ms);
  else
    RealSleep(ms);
}

SleepFunction SetSleepFunction(SleepFunction fn) {
  std::lock_guard lock(g_sleepMutex);
  SleepFunction previous = std::move(g_sleepFunction);
  g_sleepFunction = std::move(fn);
  return previous;
}

DWORD GetTickCount() {
  using namespace std::chrono;
  return static_cast<DWORD>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
