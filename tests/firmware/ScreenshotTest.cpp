// The device page as the user sees it after a logger was identified, saved
// as a picture for review (build folder, screenshots/).
#include "firmware/FirmwareFixture.h"
#include "framework/qt/QtView.h"

TEST_F(FirmwarePageTest, DevicePageAfterIdentification) {
  QtView view;
  ScriptedUi scripted;  // over the view's own dialogs
  Identify();
  scripted.AnswerFileDialog(SampleFirmware("R710_SAMPLE_V1.05_VNT.bin"));
  device.OnSelectFile();
  device.ShowWindow(SW_SHOW);
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);
  const auto file = folder / "device_page_identified.png";
  ASSERT_TRUE(SaveDialogPng(device, file.string()));
  EXPECT_GT(std::filesystem::file_size(file), 2000u);
}
