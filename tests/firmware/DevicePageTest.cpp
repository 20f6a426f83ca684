// Handlers of the device page that need no update: Write Name, the forced
// mode, the file test through the chooser, and the progress display.
#include <fstream>

#include "firmware/FirmwareFileFormat.h"
#include "firmware/FirmwareFixture.h"

TEST_F(FirmwarePageTest, WriteNameChecksTheNameOnlyWhileConnected) {
  device.SetDlgItemText(IDC_DEV_USER_NAME, "Bad Name");
  device.OnWriteName();  // port closed: silent
  EXPECT_EQ(ui.MessageBoxCount(), 0u);
  EXPECT_EQ(g_utilityManager.m_strUserName, "Bad Name");

  commands.AllocateReplyBuffer();
  device.m_comboPort.SetCurSel(ComNumber() - 1);
  device.ApplyPortSelection();
  ASSERT_NE(device.m_hComPort, nullptr);
  device.OnWriteName();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_DEV_NAME_FORBIDDEN));
  EXPECT_EQ(ui.LastMessageBox().Icon(), static_cast<UINT>(MB_ICONHAND));
  device.SetDlgItemText(IDC_DEV_USER_NAME, "Caf\xC3\xA9");
  device.OnWriteName();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_DEV_NAME_NOT_ASCII));
  EXPECT_EQ(logger.CountReceived("$VANTO710,4"), 0);
  device.SetDlgItemText(IDC_DEV_USER_NAME, "SixteenLettersOk");
  device.OnWriteName();
  EXPECT_EQ(ui.MessageBoxCount(), 2u);
  EXPECT_TRUE(logger.WaitForSentence("$VANTO710,4", 30000));
  EXPECT_EQ(g_utilityManager.m_strUserName, "SixteenLettersOk");
  device.ClosePort();
}

TEST_F(FirmwarePageTest, ForcedModeComparesAgainstRoamline38) {
  device.OnForceUpdate();
  EXPECT_EQ(g_utilityManager.m_nModelCode, 4);
  EXPECT_TRUE(Enabled(device, IDC_DEV_EXECUTE));
  EXPECT_FALSE(Enabled(device, IDC_DEV_CONNECT));
  EXPECT_EQ(Text(device, IDC_DEV_WARNING), CDialog::LoadString(IDS_DEV_FORCE_WARNING));
  ui.AnswerFileDialog(SampleFirmware("TX380_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  EXPECT_EQ(Text(device, IDC_DEV_COMPARE_RESULT), CDialog::LoadString(IDS_FW_CONFIRM_UPDATE));
  EXPECT_EQ(Text(device, IDC_DEV_FILE_MODEL), "Roamline38");
  EXPECT_EQ(Text(device, IDC_DEV_FILE_VERSION), "V1.05");
  EXPECT_EQ(Text(device, IDC_DEV_FILE_HW1 + 1), "V02");
  EXPECT_TRUE(Enabled(device, IDC_DEV_EXECUTE));
  // The image lies beside the chosen file.
  EXPECT_TRUE(std::filesystem::exists(home.path() / "fw" / "Vanto_FW_Temp.bin"));
  ASSERT_FALSE(ui.FileDialogs().empty());
  EXPECT_EQ(ui.FileDialogs()[0].filter, "_VNT (*.bin)|*.bin|");
}

TEST_F(FirmwarePageTest, SelectFileRefusesForeignNamesAndBadContent) {
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  EXPECT_EQ(Text(device, IDC_DEV_COMPARE_RESULT), CDialog::LoadString(IDS_FW_NEWER));
  EXPECT_TRUE(Enabled(device, IDC_DEV_EXECUTE));

  // A name without the mark: warning, Execute off, header fields emptied.
  const auto other = home.path() / "fw" / "firmware.bin";
  std::filesystem::copy_file(home.path() / "fw" / "R710_SAMPLE_V1.05_VNT.bin", other);
  ui.AnswerFileDialog(other.string());
  device.OnSelectFile();
  EXPECT_EQ(ui.LastMessageBox().caption, "WARNING!!");
  EXPECT_FALSE(Enabled(device, IDC_DEV_EXECUTE));
  EXPECT_EQ(Text(device, IDC_DEV_FILE_MODEL), "");

  // Damaged content: message 415; the earlier verdict stays.
  const auto bad = home.path() / "fw" / "BAD_VNT.bin";
  std::ofstream(bad, std::ios::binary) << "not a firmware file at all";
  ui.AnswerFileDialog(bad.string());
  device.OnSelectFile();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_FW_FILE_WRONG));
  EXPECT_FALSE(Enabled(device, IDC_DEV_EXECUTE));
  EXPECT_FALSE(std::filesystem::exists(home.path() / "fw" / "Vanto_FW_Temp.bin"));

  // A file that cannot be read is named with the cause, on both pages.
  const auto unreadable = home.path() / "fw" / "DIR_VNT.bin";
  std::filesystem::create_directory(unreadable);
  ui.AnswerFileDialog(unreadable.string());
  device.OnSelectFile();
  const std::string expected =
      CDialog::LoadString(IDS_FW_FILE_UNREADABLE) + "\n" + unreadable.string() + ": Is a directory";
  EXPECT_EQ(ui.LastMessageBox().text, expected);
  ui.AnswerFileDialog(unreadable.string());
  download.OnBrowse();
  download.OnDownload();
  EXPECT_EQ(ui.LastMessageBox().text, expected);

  // A path longer than the page's buffers fails the same way, cleanly.
  auto deep = home.path() / std::string(200, 'd') / std::string(60, 'e');
  std::filesystem::create_directories(deep);
  std::filesystem::copy_file(home.path() / "fw" / "R710_SAMPLE_V1.05_VNT.bin",
                             deep / "R710_SAMPLE_V1.05_VNT.bin");
  ui.AnswerFileDialog((deep / "R710_SAMPLE_V1.05_VNT.bin").string());
  device.OnSelectFile();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_FW_FILE_WRONG));
}

TEST_F(FirmwarePageTest, ProgressShowsPercentOnlyUpTo99AndAtTheEnd) {
  device.SetProgress(42);
  EXPECT_EQ(Text(device, IDC_DEV_PERCENT), "42%");
  device.SetProgress(150);
  EXPECT_EQ(Text(device, IDC_DEV_PERCENT), "42%");
  EXPECT_EQ(device.m_progress.GetPos(), 100);
  device.SetProgress(1000);
  EXPECT_EQ(Text(device, IDC_DEV_PERCENT), "100%");
  EXPECT_EQ(device.m_nProgress, 100);
  download.SetProgress(150);
  EXPECT_EQ(Text(download, IDC_DL_PERCENT), "150%");
}

TEST_F(FirmwarePageTest, ExecuteWithoutAFileStopsWithAMessage) {
  device.OnExecute();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_FW_NO_FILE));
  EXPECT_EQ(device.GetUpdateThread(), nullptr);
}

TEST_F(FirmwarePageTest, DownloadPageRefusesMissingAndHeaderlessFiles) {
  download.OnDownload();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_FW_NO_FILE));
  const auto path = home.path() / "R710_FW_V1.23_VNT.bin";
  auto bytes = BuildFirmwareFile("", {}, std::vector<std::uint8_t>(100, 1), false);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  ui.AnswerFileDialog(path.string());
  download.OnBrowse();
  EXPECT_EQ(Text(download, IDC_DL_FILE_PATH), path.string());
  download.OnDownload();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_FW_FILE_WRONG));
  EXPECT_EQ(download.m_bBusy, 0);
  EXPECT_TRUE(Enabled(download, IDC_DL_BROWSE));
}

TEST_F(FirmwarePageTest, OnlyTheWarningTextIsRed) {
  CDC dc;
  device.OnCtlColor(&dc, device.GetDlgItem(IDC_DEV_WARNING), CTLCOLOR_STATIC);
  EXPECT_EQ(dc.GetTextColor(), RGB(255, 0, 0));
  CDC other;
  device.OnCtlColor(&other, device.GetDlgItem(IDC_DEV_STATUS), CTLCOLOR_STATIC);
  EXPECT_NE(other.GetTextColor(), RGB(255, 0, 0));
}

TEST_F(FirmwarePageTest, MissingLibraryStopsExecuteAndNothingIsLocked) {
  const auto folder = home.path() / "install";
  std::filesystem::create_directories(folder);
  device.OnForceUpdate();
  ui.AnswerFileDialog(SampleFirmware("TX380_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  device.m_flash.m_strFolder = folder.string();  // no library there
  device.OnExecute();
  EXPECT_EQ(ui.LastMessageBox().text, CDialog::LoadString(IDS_FW_NO_LIBRARY));
  EXPECT_EQ(device.GetUpdateThread(), nullptr);
  EXPECT_TRUE(Enabled(device, IDC_DEV_EXECUTE));
  EXPECT_EQ(download.m_bBusy, 0);
}

TEST_F(FirmwarePageTest, MissingAgentOrScatterFileFailsTheUpdateAndIsNamed) {
  // The update runs, its download fails, and the page ends on the failure
  // text; the missing file is named after it.
  const std::filesystem::path build = GetProgramFolder();
  const auto folder = home.path() / "install";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(build / "libflashlib.so", folder / "libflashlib.so");
  Identify();
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  device.m_flash.m_strFolder = folder.string();
  // By the time the box names the file, the image is deleted and the window
  // may close again.
  std::vector<std::string> atBox;
  MessageBoxHook scripted = SetMessageBoxHook([&](const MessageBoxRequest& r) {
    const bool image = std::filesystem::exists(device.m_szTempImagePath) ||
                       std::filesystem::exists(download.m_szDlTempImagePath);
    const bool unlocked = download.m_bBusy == 0 && Enabled(download, IDC_DL_BROWSE);
    atBox.push_back(std::string(image ? "image" : "") + (unlocked ? "" : "locked"));
    return scripted(r);
  });
  device.OnExecute();
  ASSERT_NE(device.GetUpdateThread(), nullptr);
  device.GetUpdateThread()->Wait(60000);
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_FAILED));
  EXPECT_EQ(ui.LastMessageBox().text,
            CDialog::LoadString(IDS_FW_NO_AGENT) + "\n" + folder.string() + "/DA_MT3318_*.bin");
  EXPECT_EQ(logger.Firmware(), "101");

  // The download page: agent there, scatter file missing.
  std::filesystem::copy_file(build / "MTK_AllInOne_DA_MT3318_NAVREL.bin",
                             folder / "MTK_AllInOne_DA_MT3318_NAVREL.bin");
  download.m_flash.m_strFolder = folder.string();
  ui.AnswerFileDialog((home.path() / "fw" / "R710_SAMPLE_V1.05_VNT.bin").string());
  download.OnBrowse();
  download.OnDownload();
  ASSERT_NE(download.GetUpdateThread(), nullptr);
  download.GetUpdateThread()->Wait(60000);
  EXPECT_EQ(Text(download, IDC_DL_STATUS), CDialog::LoadString(IDS_FW_FAILED));
  EXPECT_EQ(ui.LastMessageBox().text,
            CDialog::LoadString(IDS_FW_NO_SCATTER) + "\n" + folder.string() + "/scat.txt");
  SetMessageBoxHook(std::move(scripted));
  EXPECT_EQ(atBox, std::vector<std::string>(2, ""));
}

TEST_F(FirmwarePageTest, IdentityFieldsArrangeInsideTheFirmwareFrame) {
  auto top = [&](int id) {
    RECT r;
    device.GetDlgItem(id)->GetWindowRect(&r);
    device.ScreenToClient(&r);
    return r;
  };
  const RECT before = top(IDC_DEV_TYPE);
  g_utilityManager.m_nModelCode = 5;  // other models change nothing
  device.ArrangeIdentityFields();
  EXPECT_EQ(top(IDC_DEV_TYPE).top, before.top);

  g_utilityManager.m_nModelCode = 3;
  device.ArrangeIdentityFields();
  const RECT box = top(IDC_DEV_FIRMWARE_GROUP);
  const int y1 = top(IDC_DEV_TYPE).top, y2 = top(IDC_DEV_FIRMWARE).top,
            y3 = top(IDC_DEV_MEMORY_USAGE).top;
  EXPECT_TRUE(box.top < y1 && y1 < y2 && y2 < y3 && y3 < box.bottom);
  EXPECT_TRUE(device.GetDlgItem(IDC_DEV_MEMORY_USAGE)->IsVisibleFlag());

  g_utilityManager.m_nModelCode = 1;
  device.ArrangeIdentityFields();
  EXPECT_FALSE(device.GetDlgItem(IDC_DEV_MEMORY_USAGE)->IsVisibleFlag());
  EXPECT_FALSE(device.GetDlgItem(IDC_DEV_MEMORY_LABEL)->IsVisibleFlag());
  EXPECT_LT(top(IDC_DEV_TYPE).top, top(IDC_DEV_FIRMWARE).top);
}
