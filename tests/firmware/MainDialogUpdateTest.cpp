// The update from inside the main dialog: its buttons locked and unlocked,
// the window kept open while the logger is written.
#include <atomic>

#include "app/VantoUtilityDlg.h"
#include "firmware/FirmwareFixture.h"

namespace {

class MainDialogUpdate : public SimulatedLoggerTest {
 protected:
  MainDialogUpdate() : SimulatedLoggerTest(sim::Model::R710) {}
};

}  // namespace

TEST_F(MainDialogUpdate, LocksTheWindowWhileWritingAndEndsWithConnectOff) {
  CVantoUtilityDlg main;
  ASSERT_TRUE(main.Create(IDD_VANTOUTILITY_DIALOG, nullptr));
  CPageDeviceSetting& device = *main.m_pPageDevice;
  EXPECT_EQ(device.m_pMainDlg, &main);
  Identify(device);
  EXPECT_EQ(main.m_pPageDevice->CommandPage(), main.m_pPageMTKTracklogSetting);
  ui.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();

  // Hold the worker in its first wait to look at the locked window.
  std::mutex gate;
  gate.lock();
  std::atomic<bool> held{false};  // set by the worker
  SetSleepFunction([&](DWORD ms) {
    if (ms == 2000 && !held) {
      held = true;
      std::lock_guard wait(gate);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(ms >= 400 ? 200 : 1000LL * ms / 8));
  });
  device.OnExecute();
  while (!held) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(main.GetDlgItem(IDOK)->IsWindowEnabled());
  EXPECT_FALSE(main.GetDlgItem(1095)->IsWindowEnabled());
  EXPECT_EQ(main.m_pPageDownloadFW->m_bBusy, 1);
  main.SendMessage(WM_CLOSE);  // refused while the logger is written
  EXPECT_NE(main.GetSafeHwnd(), nullptr);
  gate.unlock();
  ASSERT_EQ(device.GetUpdateThread()->Wait(60000), static_cast<DWORD>(WAIT_OBJECT_0));

  EXPECT_EQ(main.m_pPageDownloadFW->m_bBusy, 0);
  EXPECT_TRUE(main.GetDlgItem(IDOK)->IsWindowEnabled());
  EXPECT_TRUE(main.GetDlgItem(1095)->IsWindowEnabled());
  EXPECT_EQ(Text(device, IDC_DEV_UPDATE_STATUS), CDialog::LoadString(IDS_FW_SUCCESS));
  // The logger holds the new version; the page reads it at the next start,
  // so Connect stays off.
  EXPECT_EQ(logger.Firmware(), "105");
  EXPECT_FALSE(device.GetDlgItem(IDC_DEV_CONNECT)->IsWindowEnabled());
  main.RunTimerThread(FALSE);
  main.WaitForTimerThreads();
  main.DestroyWindow();
}
