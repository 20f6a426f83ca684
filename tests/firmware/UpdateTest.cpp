// Whole firmware updates against the simulated logger: identification, the
// Bluetooth address read, the flash exchange, the address written back, the
// self test, and the new version seen by a later identification.
#include <fstream>

#include "firmware/FirmwareFileFormat.h"
#include "firmware/FirmwareFixture.h"
#include "platform/Registry.h"

namespace {

class TX380Update : public FirmwarePageTest {
 protected:
  TX380Update() : FirmwarePageTest(sim::Model::TX380) {}
};

// Runs Execute and waits for the update thread.
void RunUpdate(CPageDeviceSetting& device) {
  device.OnExecute();
  ASSERT_NE(device.GetUpdateThread(), nullptr);
  ASSERT_EQ(device.GetUpdateThread()->Wait(60000), static_cast<DWORD>(WAIT_OBJECT_0));
}

std::string SavedMac() {
  CTool tool;
  std::string text;
  tool.GetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", text);
  return text;
}

}  // namespace

TEST_F(FirmwarePageTest, R710UpdateKeepsTheBluetoothAddressAndShowsTheNewVersion) {
  {
    std::lock_guard lock(bt->mutex);  // the logger runs
    bt->address = std::array<std::uint8_t, 6>{0x00, 0x11, 0x22, 0x33, 0x44, 0xA5};
  }
  Identify();
  EXPECT_EQ(Text(device, IDC_DEV_FIRMWARE), "V1.01");
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  ASSERT_TRUE(Enabled(device, IDC_DEV_EXECUTE));

  RunUpdate(device);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_SUCCESS));
  EXPECT_EQ(Text(device, IDC_DEV_PERCENT), "100%");
  EXPECT_EQ(flash->Restarts(), 1);
  // Address read before and written back after the download.
  EXPECT_EQ(SavedMac(), "A5:44:33:22:11:00");
  EXPECT_EQ(bt->writes.load(), 1);
  EXPECT_EQ(logger.CountReceived("$PMTK392,001122,3344A5"), 1);
  // R-710 has no self test; the temporary image is gone; buttons stay off.
  EXPECT_EQ(logger.CountReceived("$PVNT837"), 0);
  EXPECT_FALSE(std::filesystem::exists(home.path() / "fw" / "Vanto_FW_Temp.bin"));
  EXPECT_FALSE(Enabled(device, IDC_DEV_EXECUTE));
  EXPECT_FALSE(Enabled(device, IDC_DEV_SELECT_FILE));
  EXPECT_EQ(download.m_bBusy, 0);
  EXPECT_EQ(device.m_hComPort, nullptr);

  // Connect stays as the identification left it; the program started
  // again reads the version the logger now runs.
  EXPECT_FALSE(Enabled(device, IDC_DEV_CONNECT));
  CPageDeviceSetting restarted;
  restarted.SetServicePages(&commands, &download);
  ASSERT_TRUE(restarted.Create(IDD_PAGE_DEVICE_SETTING, nullptr));
  SimulatedLoggerTest::Identify(restarted);
  EXPECT_EQ(Text(restarted, IDC_DEV_FIRMWARE), "V1.05");
  restarted.DestroyWindow();
}

TEST_F(FirmwarePageTest, ProgressFollowsTheBytesSent) {
  std::mutex seenMutex;
  std::vector<int> seen;
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  // The percent text between the callbacks, as the user sees it: read while
  // the update waits for the logger's answer to each block.
  std::string last;
  flash->SetBlockHook([&] {
    const std::string now = Text(device, IDC_DEV_PERCENT);
    if (now != last && !now.empty()) {
      std::lock_guard lock(seenMutex);
      seen.push_back(std::atoi(now.c_str()));
    }
    last = now;
  });
  RunUpdate(device);
  flash->SetBlockHook({});
  std::lock_guard lock(seenMutex);
  // Several distinct steps between 0 and 100 (64 KB in 256-byte blocks).
  EXPECT_GT(seen.size(), 5u);
  EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int p) { return p >= 0 && p <= 100; }));
  EXPECT_EQ(Text(device, IDC_DEV_PERCENT), "100%");
}

TEST_F(FirmwarePageTest, NoAddressAndNoSavedCopyWritesAllFF) {
  bt->answerQuery = false;
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  RunUpdate(device);
  EXPECT_EQ(SavedMac(), "FF:FF:FF:FF:FF:FF");
  EXPECT_EQ(logger.CountReceived("$PMTK392,FFFFFF,FFFFFF"), 1);
}

TEST_F(FirmwarePageTest, AllFFReplyTakesTheSavedAddress) {
  CTool().SetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", "A5:44:33:22:11:00");
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  RunUpdate(device);
  EXPECT_EQ(logger.CountReceived("$PMTK392,001122,3344A5"), 1);
}

TEST_F(FirmwarePageTest, GarbledAddressRepliesKeepTheSavedAddress) {
  // Read as zeros, such replies would replace the address for good.
  CTool().SetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", "A5:44:33:22:11:00");
  {
    std::lock_guard lock(bt->mutex);  // the logger runs
    bt->rawReply = "$PMTK592,*00\r\n";
  }
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  RunUpdate(device);
  EXPECT_EQ(SavedMac(), "A5:44:33:22:11:00");
  EXPECT_EQ(logger.CountReceived("$PMTK392,001122,3344A5"), 1);

  // The download page reads it the same way; with no saved copy, all FF.
  CTool().SetRegString(HKEY_CURRENT_USER, "R710BTMacAddress", "");
  {
    std::lock_guard lock(bt->mutex);  // the logger runs
    bt->rawReply = "$PMTK592,12G4*00\r\n";
  }
  ui.AnswerFileDialog((home.path() / "fw" / "R710_SAMPLE_V1.05_VNT.bin").string());
  download.OnBrowse();
  download.OnDownload();
  ASSERT_NE(download.GetUpdateThread(), nullptr);
  download.GetUpdateThread()->Wait(60000);
  EXPECT_EQ(SavedMac(), "FF:FF:FF:FF:FF:FF");
  EXPECT_EQ(logger.CountReceived("$PMTK392,FFFFFF,FFFFFF"), 1);
}

TEST_F(FirmwarePageTest, RefusedAgentEndsInFailureAndKeepsTheOldVersion) {
  flash->faults.refuseAgent = true;
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  RunUpdate(device);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_FAILED));
  EXPECT_EQ(flash->Restarts(), 0);
  EXPECT_EQ(logger.Firmware(), "101");
  EXPECT_FALSE(std::filesystem::exists(home.path() / "fw" / "Vanto_FW_Temp.bin"));
}

TEST_F(FirmwarePageTest, SilentBootLoaderPausesAndFails) {
  flash->faults.silent = true;
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  RunUpdate(device);
  EXPECT_EQ(device.m_flash.m_nDownloadResult, FLASH_DL_NO_HANDSHAKE);
  EXPECT_EQ(CountSleeps(1500), 1);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_FAILED));
}

TEST_F(FirmwarePageTest, UnopenablePortStopsBeforeTheDownload) {
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  g_utilityManager.SetPortSettings("COM99", 38400, 0);
  RunUpdate(device);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_PORT_FAILED));
  // The cause is named too.
  EXPECT_NE(ui.LastMessageBox().text.find("COM99 does not exist"), std::string::npos)
      << ui.LastMessageBox().text;
  EXPECT_EQ(flash->Restarts(), 0);
  EXPECT_EQ(download.m_bBusy, 0);
  // The image stays for a later try.
  EXPECT_TRUE(std::filesystem::exists(home.path() / "fw" / "Vanto_FW_Temp.bin"));
}

TEST_F(TX380Update, SkipsBluetoothAndWaitsForTheSelfTest) {
  Identify();
  ASSERT_EQ(g_utilityManager.m_nModelCode, 4);
  ui.AnswerFileDialog(SampleFirmware("TX380_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  RunUpdate(device);
  EXPECT_EQ(logger.CountReceived("$PMTK492"), 0);
  EXPECT_EQ(bt->writes.load(), 0);
  EXPECT_EQ(logger.CountReceived("$PVNT837"), 1);
  EXPECT_EQ(CountSleeps(700), 100);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_SUCCESS_R38));
  EXPECT_EQ(Text(device, IDC_DEV_WARNING), CDialog::LoadString(IDS_FW_ODOMETER_NOTE));
  EXPECT_EQ(logger.Firmware(), "105");
}

TEST_F(TX380Update, ForcedUpdateOnAGonePortNamesTheCause) {
  // No Bluetooth step for this model: the library meets the port first.
  device.OnForceUpdate();
  ui.AnswerFileDialog(SampleFirmware("TX380_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  g_utilityManager.SetPortSettings("COM98", 38400, 0);
  RunUpdate(device);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_FAILED));
  EXPECT_NE(ui.LastMessageBox().text.find("COM98 does not exist"), std::string::npos)
      << ui.LastMessageBox().text;
  EXPECT_EQ(flash->Restarts(), 0);
}

TEST_F(FirmwarePageTest, FailedDownloadOnAWorkingPortShowsNoPortBox) {
  flash->faults.corruptVerify = true;
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  const auto before = ui.MessageBoxes().size();
  RunUpdate(device);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_FAILED));
  EXPECT_EQ(ui.MessageBoxes().size(), before);
}

TEST_F(FirmwarePageTest, DownloadPageUpdatesOnItsOwnPort) {
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  download.OnBrowse();
  download.OnDownload();
  EXPECT_EQ(download.m_bBusy, 1);
  ASSERT_NE(download.GetUpdateThread(), nullptr);
  ASSERT_EQ(download.GetUpdateThread()->Wait(60000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(download.m_bBusy, 0);
  EXPECT_EQ(Text(download, IDC_DL_STATUS), CDialog::LoadString(IDS_FW_SUCCESS));
  EXPECT_EQ(logger.Firmware(), "105");
  EXPECT_EQ(Text(download, IDC_DL_PERCENT), "100%");
}

TEST_F(FirmwarePageTest, DownloadPageReportsAFailedDownloadAsFailure) {
  flash->faults.corruptVerify = true;
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  download.OnBrowse();
  download.OnDownload();
  ASSERT_NE(download.GetUpdateThread(), nullptr);
  download.GetUpdateThread()->Wait(60000);
  EXPECT_EQ(Text(download, IDC_DL_STATUS), CDialog::LoadString(IDS_FW_FAILED));
  EXPECT_EQ(logger.Firmware(), "101");
}

namespace {

class R3300DUpdate : public FirmwarePageTest {
 protected:
  R3300DUpdate() : FirmwarePageTest(sim::Model::R3300D) {}
};

}  // namespace

TEST_F(R3300DUpdate, KeepsBluetoothAndWaitsForTheShorterSelfTest) {
  {
    std::lock_guard lock(bt->mutex);  // the logger runs
    bt->address = std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6};
  }
  Identify();
  ASSERT_EQ(g_utilityManager.m_nModelCode, 6);
  const auto file = home.path() / "fw" / "R3300D_V1.05_VNT.bin";
  std::filesystem::create_directories(file.parent_path());
  std::vector<std::uint8_t> image(4000, 0x5A);
  const std::string mark = "FWVER=105";
  std::copy(mark.begin(), mark.end(), image.begin());
  const auto bytes = BuildFirmwareFile("R-3500", {"V1.05", "V02"}, image);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  ui.AnswerFileDialog(file.string());
  device.OnSelectFile();
  ASSERT_EQ(Text(device, IDC_DEV_COMPARE_RESULT), CDialog::LoadString(IDS_FW_NEWER));
  RunUpdate(device);
  EXPECT_NE(device.m_flash.m_szAgentPath.find("DA_MT3329_"), std::string::npos);
  EXPECT_EQ(CountSleeps(450), 100);
  EXPECT_EQ(bt->writes.load(), 1);
  EXPECT_EQ(logger.CountReceived("$PMTK392,010203,040506"), 1);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_SUCCESS));
  EXPECT_EQ(logger.Firmware(), "105");
}

TEST_F(FirmwarePageTest, AgentRefusedByTheLibraryEndsInFailure) {
  // The library and its files from another folder, with a damaged agent.
  const std::filesystem::path build = GetProgramFolder();
  const auto folder = home.path() / "install";
  std::filesystem::create_directories(folder);
  for (const char* name : {"libflashlib.so", "scat.txt", "DA_MT3318_NAVREL.bin"})
    std::filesystem::copy_file(build / name, folder / name);
  std::filesystem::resize_file(folder / "DA_MT3318_NAVREL.bin", 100);
  device.m_flash.m_strFolder = folder.string();
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  RunUpdate(device);
  EXPECT_EQ(device.m_flash.m_bAgentOk, 0);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_FAILED));
  EXPECT_EQ(flash->Restarts(), 0);
  EXPECT_EQ(logger.Firmware(), "101");
}
