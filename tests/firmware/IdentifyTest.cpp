// Identification of each logger model against the simulated logger.
#include "firmware/FirmwareFixture.h"

namespace {

class IdentifyModel
    : public FirmwarePageTest,
      public ::testing::WithParamInterface<std::tuple<sim::Model, int, const char*>> {
 protected:
  IdentifyModel() : FirmwarePageTest(std::get<0>(GetParam())) {}
};

}  // namespace

TEST_P(IdentifyModel, ShowsModelAndVersions) {
  const auto [model, code, shown] = GetParam();
  logger.SetVersions("123", "023");
  Identify();
  EXPECT_EQ(g_utilityManager.m_nModelCode, code);
  EXPECT_EQ(Text(device, IDC_DEV_TYPE), shown);
  EXPECT_EQ(Text(device, IDC_DEV_FIRMWARE), "V1.23");
  EXPECT_EQ(Text(device, IDC_DEV_HARDWARE), "V02");
  EXPECT_STREQ(device.m_szFirmwareText, "123");
  EXPECT_EQ(Text(device, IDC_DEV_STATUS), CDialog::LoadString(IDS_DEV_FINISHED));
  EXPECT_TRUE(Enabled(device, IDC_DEV_SELECT_FILE));
  EXPECT_FALSE(Enabled(device, IDC_DEV_CONNECT));
  EXPECT_TRUE(Enabled(download, IDC_DL_DOWNLOAD));
  // The port is closed again after the leave command.
  EXPECT_EQ(device.m_hComPort, nullptr);
  EXPECT_EQ(logger.CountReceived("$VANTO710,2"), 1);
  // Models 4 to 6 are asked with the maker's queries, model 3 with commands.
  EXPECT_EQ(logger.CountReceived("$PVNT829"), code == 3 ? 0 : 1);
  EXPECT_EQ(logger.CountReceived("$VANTO710,3"), code == 3 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Models, IdentifyModel,
                         ::testing::Values(std::make_tuple(sim::Model::R710, 3, "R-710"),
                                           std::make_tuple(sim::Model::TX380, 4, "Roamline38"),
                                           std::make_tuple(sim::Model::R3500, 5, "R-3300D"),
                                           std::make_tuple(sim::Model::R3300D, 6, "R-3300D")),
                         [](const auto& info) {
                           return "Model" + std::to_string(std::get<1>(info.param));
                         });

TEST_F(FirmwarePageTest, WithoutAModelReplyTheIdentifyCommandMeansR710) {
  logger.SetAnswersModelQuery(false);
  logger.SetVersions("101", "C12");
  Identify();
  EXPECT_EQ(logger.CountReceived("$PVNT810"), 3);
  EXPECT_EQ(logger.CountReceived("$VANTO710,1"), 1);
  EXPECT_EQ(g_utilityManager.m_nModelCode, 3);
  EXPECT_EQ(Text(device, IDC_DEV_TYPE), "R-710");
  EXPECT_EQ(Text(device, IDC_DEV_HARDWARE), "V01");  // C1 reads as 01
}

TEST_F(FirmwarePageTest, SilentLoggerEndsInTimeoutAndKeepsTheModel) {
  sim::Faults f;
  f.silent = true;
  logger.SetFaults(f);
  g_utilityManager.m_nModelCode = 0;
  Identify();
  EXPECT_EQ(g_utilityManager.m_nModelCode, 0);
  EXPECT_EQ(Text(device, IDC_DEV_TYPE), "Not available");
  EXPECT_EQ(Text(device, IDC_DEV_STATUS), CDialog::LoadString(IDS_DEV_TIMEOUT));
  EXPECT_TRUE(Enabled(device, IDC_DEV_CONNECT));
  EXPECT_TRUE(Enabled(device, IDC_DEV_FORCE_UPDATE));
  EXPECT_FALSE(Enabled(device, IDC_DEV_SELECT_FILE));
}

TEST_F(FirmwarePageTest, InitialisationDetectsTheBridgeSilently) {
  const int com = ComNumber();
  EXPECT_EQ(device.m_bPortDetected, TRUE);
  EXPECT_EQ(device.m_strSelectedPort, "COM" + std::to_string(com));
  EXPECT_EQ(device.m_comboPort.GetCurSel(), com - 1);
  EXPECT_EQ(device.m_comboPort.GetCount(), 22);
  EXPECT_EQ(device.m_comboBaud.GetCurSel(), 4);
  EXPECT_EQ(device.m_nComBaud, 38400);
  EXPECT_FALSE(Enabled(device, IDC_DEV_CONNECT));
  EXPECT_FALSE(Enabled(device, IDC_DEV_PORT_COMBO));
  EXPECT_EQ(g_pDevicePage, &device);
  EXPECT_EQ(Text(device, IDC_DEV_WARNING), CDialog::LoadString(IDS_FW_WARNING));
  std::string name;
  int baud = 0, handle = 1;
  g_utilityManager.GetPortSettings(name, baud, handle);
  EXPECT_EQ(name, device.m_strSelectedPort);
  // "Default All" returns to the detected port after a manual choice.
  device.m_comboPort.SetCurSel(0);
  device.OnSelchangePort();
  EXPECT_EQ(device.m_strSelectedPort, "COM1");
  device.SendMessage(WM_USER + 100, 3, 0);
  EXPECT_EQ(device.m_comboPort.GetCurSel(), com - 1);
  EXPECT_EQ(device.m_strSelectedPort, "COM" + std::to_string(com));
}

TEST_F(FirmwarePageTest, ConnectReadsUsedMemoryAndDisconnectCloses) {
  logger.SetLogParameter(8, 0x1F400);
  commands.AllocateReplyBuffer();
  device.m_comboPort.SetCurSel(ComNumber() - 1);
  device.ToggleConnection();
  EXPECT_NE(device.m_hComPort, nullptr);
  EXPECT_EQ(g_utilityManager.m_nLogUsedBytes, 128000);
  EXPECT_EQ(g_utilityManager.m_nModelCode, 3);
  EXPECT_FALSE(device.m_bConnectNext);
  device.ToggleConnection();
  EXPECT_EQ(device.m_hComPort, nullptr);
  EXPECT_TRUE(device.m_bConnectNext);
  EXPECT_EQ(commands.GetReplyBuffer(), nullptr);
  EXPECT_EQ(Text(device, IDC_DEV_CONNECT), CDialog::LoadString(IDS_DEV_CONNECT));
}
