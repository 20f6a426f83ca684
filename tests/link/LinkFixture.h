// A device page and a command page connected to a simulated logger through
// the real serial layer, with the program's waits shortened.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"
#include "sim/SimLogger.h"
#include "support/test_support.h"

using testsupport::WaitUntil;

class LinkTest : public ::testing::Test {
 protected:
  // Bound of every wait for a condition.
  static constexpr int kBoundMs = 30000;

  void SetUp() override {
    ASSERT_TRUE(logger.Ok());
    // Exchanges that expect an answer keep the program's own poll timings, so
    // a busy machine still gets the reply in within the poll limit; tests of
    // silence shorten them.
    UseSleepDivisor(1);
    device.m_strComPort = logger.PortPath();
    device.m_nComBaud = 38400;
    ASSERT_TRUE(device.OpenPort()) << device.GetPortErrorText();
    g_bPortOpen = TRUE;
    commands.SetDevicePage(&device);
    ASSERT_TRUE(commands.AllocateReplyBuffer());
    g_utilityManager.m_bHighSpeed = FALSE;
    g_utilityManager.m_bLinkLost = FALSE;
    g_bReceiving = 0;
  }
  void TearDown() override {
    commands.m_bReceiveStop = 1;
    if (receiver.joinable()) receiver.join();
    SetSleepFunction({});
    g_bPortOpen = FALSE;
    g_bReceiving = 0;
    g_utilityManager.m_bHighSpeed = FALSE;
  }

  // The program's waits run at 1/divisor of their length once the logger
  // has caught up; each is counted.
  void UseSleepDivisor(int divisor) {
    SetSleepFunction([this, divisor](DWORD ms) {
      if (ms == 100) ++pauses100;
      if (ms == 50) ++pauses50;
      if (ms == 5) ++pauses5;
      logger.ShortenedWait(ms, divisor);
    });
  }
  void StartReceiveThread() {
    commands.m_bReceiveStop = 0;
    receiver = std::thread([this] { CPageMTKTracklogSetting::ReceiveThreadProc(&commands); });
  }
  void StopReceiveThread() {
    g_bReceiving = 0;
    commands.m_bReceiveStop = 1;
    receiver.join();
  }

  sim::SimLogger logger{sim::Model::TX380};
  CPageDeviceSetting device;
  CPageMTKTracklogSetting commands;
  std::thread receiver;
  std::atomic<int> pauses100{0};
  std::atomic<int> pauses50{0};
  std::atomic<int> pauses5{0};  // the receive loop's pauses while it does not read
};
