#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Sleep.h"

namespace {

TEST(Sleep, ReplacedFunctionSeesEveryWaitAndCanBeRestored) {
  std::atomic<DWORD> total{0};
  SleepFunction previous = SetSleepFunction([&](DWORD ms) { total += ms; });
  DWORD start = GetTickCount();
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([] {
      for (int k = 0; k < 100; ++k) Sleep(1000);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(total.load(), 400000u);
  EXPECT_LT(GetTickCount() - start, 5000u);  // no real second was waited

  SetSleepFunction(previous);
  start = GetTickCount();
  Sleep(20);
  EXPECT_GE(GetTickCount() - start, 19u);
  EXPECT_EQ(total.load(), 400000u);
}

}  // namespace
