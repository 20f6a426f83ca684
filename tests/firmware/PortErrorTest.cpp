// A port that cannot be opened is named with its cause (gone, permission,
// busy), not only as a logger that does not answer.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "firmware/FirmwareFixture.h"

namespace {

bool Mentions(const MessageBoxRequest& box, const std::string& word) {
  return box.text.find(word) != std::string::npos;
}

}  // namespace

TEST_F(FirmwarePageTest, UnpluggedPortIsNamedBesideTheTimeout) {
  device.OnAutoDetect();
  const std::string port = device.m_strSelectedPort;
  // The adapter goes away between detection and Connect.
  WithdrawSimulatedPort(announcement);
  announcement.clear();
  device.OnConnect();
  EXPECT_EQ(Text(device, IDC_DEV_STATUS), CDialog::LoadString(IDS_DEV_TIMEOUT));
  EXPECT_TRUE(Enabled(device, IDC_DEV_CONNECT));
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  const MessageBoxRequest box = ui.LastMessageBox();
  EXPECT_TRUE(Mentions(box, port)) << box.text;
  EXPECT_TRUE(Mentions(box, "does not exist")) << box.text;
  EXPECT_EQ(box.Icon(), MB_ICONHAND);
  EXPECT_EQ(box.caption, CDialog::LoadString(300));
}

TEST_F(FirmwarePageTest, PortHeldByAnotherProgramIsNamedAsBusy) {
  device.OnAutoDetect();
  const int other = ::open(logger.PortPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  device.OnConnect();
  ::close(other);
  EXPECT_EQ(Text(device, IDC_DEV_STATUS), CDialog::LoadString(IDS_DEV_TIMEOUT));
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_TRUE(Mentions(ui.LastMessageBox(), "in use")) << ui.LastMessageBox().text;
  // Once the other program lets go, Connect identifies the logger.
  device.OnConnect();
  EXPECT_EQ(Text(device, IDC_DEV_STATUS), CDialog::LoadString(IDS_DEV_FINISHED));
  EXPECT_EQ(ui.MessageBoxes().size(), 1u);
}

TEST_F(FirmwarePageTest, PortWithoutPermissionPointsAtTheDialoutGroup) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens the port whatever its mode";
  device.OnAutoDetect();
  struct stat before {};
  ASSERT_EQ(::stat(logger.PortPath().c_str(), &before), 0);
  ASSERT_EQ(::chmod(logger.PortPath().c_str(), 0), 0);
  device.OnConnect();
  ::chmod(logger.PortPath().c_str(), before.st_mode & 07777);
  EXPECT_EQ(Text(device, IDC_DEV_STATUS), CDialog::LoadString(IDS_DEV_TIMEOUT));
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_TRUE(Mentions(ui.LastMessageBox(), "dialout")) << ui.LastMessageBox().text;
}

TEST_F(FirmwarePageTest, AnsweringLoggerShowsNoPortBox) {
  Identify();
  EXPECT_EQ(Text(device, IDC_DEV_STATUS), CDialog::LoadString(IDS_DEV_FINISHED));
  EXPECT_TRUE(ui.MessageBoxes().empty());
}

TEST_F(FirmwarePageTest, ConnectOnAGonePortNamesTheCause) {
  device.OnAutoDetect();
  WithdrawSimulatedPort(announcement);
  announcement.clear();
  device.m_bConnectNext = TRUE;
  device.ToggleConnection();
  EXPECT_EQ(device.m_hComPort, nullptr);
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_TRUE(Mentions(ui.LastMessageBox(), "does not exist")) << ui.LastMessageBox().text;
}
