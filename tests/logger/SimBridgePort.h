// The simulated logger on an announced CP210x bridge port, selected on the
// device page as Auto Detect selects it, with the program's waits at a tenth
// of their length: the setting of the block-protocol tests.
#pragma once

#include <chrono>
#include <string>
#include <thread>

#include "firmware/PageDeviceSetting.h"
#include "link/SimPortAnnouncement.h"
#include "platform/Sleep.h"
#include "sim/SimLogger.h"

// Returns the announcement to withdraw; empty when the port could not be
// announced or found.
inline std::string AttachSimulatedBridge(sim::SimLogger& logger, CPageDeviceSetting& device,
                                         const char* tag) {
  std::string announcement =
      AnnounceSimulatedPort(logger.PortPath(), "CP210x USB to UART Bridge Controller", tag);
  std::string name;
  if (announcement.empty()) return announcement;
  if (!device.DetectBridgePort(name)) {
    WithdrawSimulatedPort(announcement);
    return {};
  }
  device.m_strComPort = name;
  SetSleepFunction(
      [](DWORD ms) { std::this_thread::sleep_for(std::chrono::microseconds(100LL * ms)); });
  return announcement;
}
