// A block-protocol exchange against the simulated logger: the logger on an
// announced bridge port, the device page's port layer, a recording page
// client and the program's waits at a tenth of their length.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "link/IsolatedPorts.h"
#include "logger/BlockTransfer.h"
#include "logger/PageMTKTracklogSetting.h"
#include "logger/SimBridgePort.h"
#include "platform/Sleep.h"
#include "sim/BlockProtocolSim.h"
#include "sim/SimLogger.h"
#include "support/ScriptedUi.h"

class RecordingClient : public CBlockTransferClient {
 public:
  explicit RecordingClient(CPageDeviceSetting& device) : m_device(device) {}
  void ShowTransferStatus(const std::string& text) override { statuses.push_back(text); }
  void ShowTransferProgress(int percent, const std::string& text) override {
    progress.push_back(percent);
    progressTexts.push_back(text);
  }
  void ShowClearProgress(int percent, const std::string&) override {
    clearProgress.push_back(percent);
  }
  void CloseMainDialog() override { ++closes; }
  // The page's wake sender: the sentence alone (the logger answers it with
  // the ready byte the exchange reads).
  const char* SendPmtkCommand(int type, int a, int b) override {
    g_utilityManager.m_bSendPmtkFirst = TRUE;
    const std::string sentence = CPageMTKTracklogSetting::BuildLogSentence(type, a, b);
    DWORD n = 0;
    m_device.WritePort(sentence.data(), static_cast<DWORD>(sentence.size()), &n);
    return "";
  }

  std::vector<std::string> statuses;
  std::vector<int> progress;
  std::vector<std::string> progressTexts;
  std::vector<int> clearProgress;
  int closes = 0;

 private:
  CPageDeviceSetting& m_device;
};

class BlockTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(logger.Ok());
    block = sim::InstallBlockProtocol(logger);
    announcement = AttachSimulatedBridge(logger, device, "blk");
    ASSERT_FALSE(announcement.empty());
    g_utilityManager.m_bSendPmtkFirst = TRUE;
    g_bPortOpen = TRUE;
    transfer.SetDevicePage(&device);
  }
  void TearDown() override {
    SetSleepFunction({});
    device.ClosePort();
    WithdrawSimulatedPort(announcement);
    g_bPortOpen = FALSE;
  }
  // The message boxes shown, in order.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& box : ui.MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  IsolatedPorts isolated;
  sim::SimLogger logger;
  std::shared_ptr<sim::BlockProtocolSim> block;
  std::string announcement;
  CPageDeviceSetting device;
  RecordingClient client{device};
  CBlockTransfer transfer{client};
  ScriptedUi ui;
};
