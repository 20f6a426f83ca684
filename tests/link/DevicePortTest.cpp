// Port operations of the device page and the bridge searches.
#include <gtest/gtest.h>

#include "IsolatedPorts.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "link/BridgePort.h"
#include "link/SimPortAnnouncement.h"
#include "sim/SimLogger.h"

namespace {

SerialPortInfo Port(const std::string& friendly) {
  SerialPortInfo info;
  info.m_strFriendlyName = friendly;
  return info;
}

TEST(DevicePortTest, PortSelectionNamesAndRates) {
  IsolatedPorts isolated;
  CPageDeviceSetting page;
  page.ApplyPortSelection(8, 1);
  EXPECT_EQ(page.m_strComPort, "COM9");
  EXPECT_EQ(page.m_nComBaud, 9600);
  page.ApplyPortSelection(9, 2);
  EXPECT_EQ(page.m_strComPort, "//.//COM10");
  EXPECT_EQ(page.m_nComBaud, 14400);
  page.ApplyPortSelection(0, -1);  // no baud selection keeps the rate
  EXPECT_EQ(page.m_nComBaud, 14400);
  page.ApplyPortSelection(0, 7);
  EXPECT_EQ(page.m_nComBaud, 14400);
}

TEST(DevicePortTest, FailedOpenLeavesTheLinkClosedWithItsCause) {
  IsolatedPorts isolated;
  CPageDeviceSetting page;
  page.m_strComPort = "/dev/navrel-no-such-port";
  EXPECT_FALSE(page.OpenPort());
  EXPECT_EQ(page.m_hComPort, nullptr);
  EXPECT_EQ(page.GetPortError(), ENOENT);
  page.m_strComPort = "/dev/navrel-no-such-port";
  g_bPortOpen = TRUE;
  page.ApplyPortSelection(21, 4);  // COM22 does not exist here either
  EXPECT_FALSE(g_bPortOpen);
}

TEST(DevicePortTest, CloseStates) {
  sim::SimLogger logger;
  CPageDeviceSetting page;
  // Never opened: the handle close fails, the full close still clears it.
  EXPECT_FALSE(page.ClosePortHandle());
  page.ClosePort();
  EXPECT_EQ(page.m_hComPort, nullptr);

  page.m_strComPort = logger.PortPath();
  ASSERT_TRUE(page.OpenPort());
  EXPECT_NE(page.m_hComPort, nullptr);
  EXPECT_TRUE(page.ClosePortHandle());
  EXPECT_EQ(page.m_hComPort, INVALID_HANDLE_VALUE);
  EXPECT_EQ(page.m_strComPort, "COM1");
  EXPECT_FALSE(page.ClosePortHandle());

  page.m_strComPort = logger.PortPath();
  ASSERT_TRUE(page.OpenPort());
  EXPECT_TRUE(page.ClosePortNoReset());
  EXPECT_EQ(page.m_hComPort, nullptr);
  EXPECT_EQ(page.m_strComPort, logger.PortPath());
}

TEST(DevicePortTest, EnsurePortOpenReopensAPortClosedByItsHandle) {
  sim::SimLogger logger;
  CPageDeviceSetting page;
  page.m_strComPort = logger.PortPath();
  ASSERT_TRUE(page.EnsurePortOpen());
  ASSERT_TRUE(page.ClosePortHandle());
  page.m_strComPort = logger.PortPath();
  // The invalid-handle value is a closed port: it is opened again, and the
  // link really carries bytes afterwards.
  ASSERT_TRUE(page.EnsurePortOpen());
  DWORD written = 0;
  EXPECT_TRUE(page.WritePort("$PMTK400*36\r\n", 13, &written));
  EXPECT_TRUE(logger.WaitForSentence("$PMTK400", 30000));
}

TEST(DevicePortTest, SelectPortByIndexClosesAnOpenPort) {
  sim::SimLogger logger;
  CPageDeviceSetting page, other;
  page.m_strComPort = logger.PortPath();
  ASSERT_TRUE(page.OpenPort());
  page.SelectPortByIndex(2);
  EXPECT_EQ(page.m_strComPort, "COM3");
  EXPECT_EQ(page.m_hComPort, nullptr);
  // The port is free again: another user can open it.
  other.m_strComPort = logger.PortPath();
  EXPECT_TRUE(other.OpenPort());
  page.SelectPortByIndex(-1 & 0xFF);  // taken as a signed 8-bit value
  EXPECT_EQ(page.m_strComPort, "COM0");
}

TEST(DevicePortTest, ReadsAndWritesOnAClosedPortFail) {
  CPageDeviceSetting page;
  char buf[8];
  DWORD n = 5;
  EXPECT_FALSE(page.ReadPort(buf, sizeof buf, &n));
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(page.WritePort(buf, sizeof buf, &n));
  page.PurgePort();
  page.SetPortHighSpeed();
  page.RestorePortSpeed();
  EXPECT_FALSE(page.WaitPortReadable(1));
}

TEST(DevicePortTest, HighSpeedAndBack) {
  sim::SimLogger logger;
  CPageDeviceSetting page;
  page.m_strComPort = logger.PortPath();
  page.m_nComBaud = 38400;
  ASSERT_TRUE(page.OpenPort());
  page.SetPortHighSpeed();
  logger.SetBaud(921600);
  DWORD written = 0;
  page.WritePort("$PMTK400*36\r\n", 13, &written);
  EXPECT_TRUE(logger.WaitForSentence("$PMTK400", 30000));
  page.RestorePortSpeed();
  logger.SetBaud(38400);
  page.WritePort("$PVNT810*25\r\n", 13, &written);
  EXPECT_TRUE(logger.WaitForSentence("$PVNT810", 30000));
}

TEST(BridgePortTest, FindBridgePortAcceptsOnlyTheChosenPort) {
  const SerialPortInfoArray ports = {
      Port("Communications Port (COM1)"),
      Port("CP210x USB to UART Bridge Controller"),  // no port name: skipped
      Port("Prolific USB-to-Serial Comm Port (COM3)"),
      Port("Silicon Labs CP210x USB to UART Bridge Controller (COM12)")};
  std::string name;
  EXPECT_TRUE(FindBridgePortIn(ports, name));
  EXPECT_EQ(name, "COM3");
  EXPECT_TRUE(FindBridgePortIn(ports, name));  // a second search keeps it
  EXPECT_EQ(name, "COM3");
  name = "COM12";
  EXPECT_TRUE(FindBridgePortIn(ports, name));
  EXPECT_EQ(name, "//.//COM12");
  EXPECT_TRUE(FindBridgePortIn(ports, name));
  EXPECT_EQ(name, "//.//COM12");
  name = "COM5";
  EXPECT_FALSE(FindBridgePortIn(ports, name));
  EXPECT_EQ(name, "COM5");
}

TEST(BridgePortTest, DetectBridgePortTakesTheFirstPortWithAnyName) {
  const SerialPortInfoArray ports = {Port("Communications Port (COM1)"),
                                     Port("GPS USB Serial Interface Driver (COM7)"),
                                     Port("CP210x USB to UART Bridge Controller (COM2)")};
  std::string name;
  EXPECT_TRUE(DetectBridgePortIn(ports, name));
  EXPECT_EQ(name, "COM7");
  EXPECT_FALSE(DetectBridgePortIn({Port("USB to UART Bridge")}, name));
  EXPECT_FALSE(DetectBridgePortIn({}, name));
}

TEST(BridgePortTest, DetectFindsAnAnnouncedSimulatedLogger) {
  IsolatedPorts isolated;
  sim::SimLogger logger;
  const std::string file = AnnounceSimulatedPort(
      logger.PortPath(), "CP210x USB to UART Bridge Controller", "navrel-sim");
  ASSERT_FALSE(file.empty());
  CPageDeviceSetting page;
  std::string name;
  ASSERT_TRUE(page.DetectBridgePort(name));
  EXPECT_EQ(name.rfind("COM", 0), 0u) << name;
  // The COM name opens the simulated logger's pseudo-terminal.
  page.m_strComPort = name;
  ASSERT_TRUE(page.OpenPort()) << page.GetPortErrorText();
  DWORD written = 0;
  page.WritePort("$PVNT810*25\r\n", 13, &written);
  EXPECT_TRUE(logger.WaitForSentence("$PVNT810", 30000));
  // The download's search finds it too, so the link switches to high speed.
  page.m_strComPort.clear();
  EXPECT_TRUE(page.FindBridgePort());
  EXPECT_EQ(page.m_strComPort, name);
  WithdrawSimulatedPort(file);
  EXPECT_FALSE(page.DetectBridgePort(name));
}

}  // namespace
