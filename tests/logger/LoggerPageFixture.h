// A logger page beside a device page whose port is a simulated logger, with
// the program's waits shortened.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "platform/Sleep.h"
#include "sim/SimLogger.h"
#include "sim/TrackLogSettingsSim.h"
#include "support/ScriptedUi.h"

class LoggerPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(logger.Ok());
    settings = sim::InstallTrackLogSettings(logger);
    SetSleepFunction([this](DWORD ms) { logger.ShortenedWait(ms, 10); });
    g_utilityManager = CUtilityManager();
    device.m_strComPort = logger.PortPath();
    ASSERT_TRUE(device.OpenPort()) << device.GetPortErrorText();
    g_bPortOpen = TRUE;
  }
  void TearDown() override {
    SetSleepFunction({});
    g_bPortOpen = FALSE;
  }

  // Sentences the logger received that start with prefix.
  int Count(const std::string& prefix) const { return logger.CountReceived(prefix); }

  sim::SimLogger logger{sim::Model::R710};
  std::shared_ptr<sim::TrackLogSettingsState> settings;
  CPageDeviceSetting device;
  ScriptedUi ui;
};
