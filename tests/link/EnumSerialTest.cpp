#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "link/BridgePort.h"
#include "link/EnumSerial.h"
#include "link/FakeSysfs.h"
#include "link/SimPortAnnouncement.h"
#include "platform/ComPortNames.h"
#include "platform/ConfigFolder.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using fakesysfs::UsbAdapter;

namespace {

class EnumSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetConfigFolderForTesting(dir_.path() / "config");
    SetSysfsRootForTesting(root());
    SetRuntimeFolderForTesting(dir_.path() / "run");
    fs::create_directories(dir_.path() / "run");
    fs::permissions(dir_.path() / "run", fs::perms::owner_all);
  }
  void TearDown() override {
    SetConfigFolderForTesting({});
    SetSysfsRootForTesting({});
    SetRuntimeFolderForTesting({});
  }
  fs::path root() const { return dir_.path() / "root"; }

  // The machine of most tests: a real ttyS0, a phantom ttyS1, a virtual
  // terminal, a cp210x, a pl2303 (known by its USB id) and a ttyACM device.
  void BuildMachine() {
    fakesysfs::AddBuiltinPort(root(), "ttyS0");
    fakesysfs::AddPhantomPort(root(), "ttyS1");
    fakesysfs::AddVirtualTty(root(), "tty0");
    fakesysfs::AddUsbPort(root(), UsbAdapter{});
    // pl2303 bound to another driver name: known by its USB id alone.
    fakesysfs::AddUsbPort(root(), UsbAdapter{"1-2", "067b", "2303", "USB-Serial Controller", "",
                                             "usbserial_other", "ttyUSB1", false});
    fakesysfs::AddUsbPort(root(), UsbAdapter{"1-3", "1546", "01a7", "u-blox GNSS receiver", "",
                                             "cdc_acm", "ttyACM0", true});
  }

  static SerialPortInfoArray Enumerate(BOOL onlyOpenable = FALSE) {
    SerialPortInfoArray ports;
    EnumerateSerialPorts(ports, onlyOpenable);
    return ports;
  }

  static const SerialPortInfo* Find(const SerialPortInfoArray& ports, const std::string& dev) {
    for (const auto& p : ports)
      if (p.m_strDevPath == dev) return &p;
    return nullptr;
  }

  testsupport::TempDir dir_;
};

TEST_F(EnumSerialTest, ListsRealPortsWithDriverNamesAndComNumbers) {
  BuildMachine();
  SerialPortInfoArray ports = Enumerate();
  ASSERT_EQ(ports.size(), 4u);  // no phantom ttyS1, no virtual terminal

  EXPECT_EQ(ports[0].m_strDevPath, "/dev/ttyS0");
  EXPECT_EQ(ports[0].m_strPortName, "COM1");
  EXPECT_EQ(ports[0].m_strFriendlyName, "ttyS0 (COM1)");
  EXPECT_EQ(ports[0].m_strPortDesc, "ttyS0");
  EXPECT_FALSE(ports[0].m_bUsbDevice);

  const SerialPortInfo* cp = Find(ports, "/dev/ttyUSB0");
  ASSERT_TRUE(cp);
  EXPECT_TRUE(cp->m_bUsbDevice);
  EXPECT_EQ(cp->m_strFriendlyName,
            "CP210x USB to UART Bridge Controller (" + cp->m_strPortName + ")");
  EXPECT_EQ(cp->m_strPortDesc, "CP210x USB to UART Bridge Controller");

  const SerialPortInfo* pl = Find(ports, "/dev/ttyUSB1");
  ASSERT_TRUE(pl);
  EXPECT_EQ(pl->m_strPortDesc, "Prolific USB-to-Serial Comm Port");

  const SerialPortInfo* acm = Find(ports, "/dev/ttyACM0");
  ASSERT_TRUE(acm);
  EXPECT_TRUE(acm->m_bUsbDevice);
  EXPECT_EQ(acm->m_strPortDesc, "u-blox GNSS receiver");

  // Ordered by COM number, numbers 1 to 4 used once each.
  for (std::size_t i = 0; i < ports.size(); ++i)
    EXPECT_EQ(ports[i].m_strPortName, "COM" + std::to_string(i + 1));

  // The bridge searches find the cp210x port and the Prolific port.
  std::string port;
  ASSERT_TRUE(DetectBridgePortIn(ports, port));
  EXPECT_EQ(port, cp->m_strPortName);
  // Both searches know the cp210x port's name; the Prolific port is found
  // when it is the chosen one.
  port.clear();
  ASSERT_TRUE(FindBridgePortIn(ports, port));
  EXPECT_EQ(port, cp->m_strPortName);
  port = pl->m_strPortName;
  ASSERT_TRUE(FindBridgePortIn(ports, port));
  EXPECT_EQ(port, pl->m_strPortName);
  EXPECT_EQ(ResolveComPortName(cp->m_strPortName), "/dev/ttyUSB0");
  EXPECT_EQ(ResolveComPortName("//./" + acm->m_strPortName), "/dev/ttyACM0");
}

TEST_F(EnumSerialTest, ReplugKeepsTheNumberAndNewAdapterTakesLowestFree) {
  BuildMachine();
  std::string cpPort = Find(Enumerate(), "/dev/ttyUSB0")->m_strPortName;

  // Unplugged, then back on another socket under another tty name.
  fakesysfs::RemoveTty(root(), "ttyUSB0");
  EXPECT_EQ(Find(Enumerate(), "/dev/ttyUSB0"), nullptr);
  UsbAdapter moved;
  moved.socket = "1-4";
  moved.tty = "ttyUSB2";
  fakesysfs::AddUsbPort(root(), moved);
  SerialPortInfoArray ports = Enumerate();
  ASSERT_TRUE(Find(ports, "/dev/ttyUSB2"));
  EXPECT_EQ(Find(ports, "/dev/ttyUSB2")->m_strPortName, cpPort);
  EXPECT_EQ(ResolveComPortName(cpPort), "/dev/ttyUSB2");

  // A second cp210x (another serial number) on the old tty name.
  UsbAdapter other;
  other.socket = "1-5";
  other.serial = "0002";
  other.tty = "ttyUSB0";
  fakesysfs::AddUsbPort(root(), other);
  ports = Enumerate();
  EXPECT_EQ(Find(ports, "/dev/ttyUSB0")->m_strPortName, "COM5");
  EXPECT_EQ(Find(ports, "/dev/ttyUSB2")->m_strPortName, cpPort);
}

TEST_F(EnumSerialTest, DescriptionKeepsNamesWithTwoParenthesisedParts) {
  UsbAdapter a;
  a.vid = "0403";
  a.pid = "6001";
  a.driver = "ftdi_sio";
  a.product = "GPS (rev 2) Cable";
  fakesysfs::AddUsbPort(root(), a);
  SerialPortInfoArray ports = Enumerate();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].m_strFriendlyName, "GPS (rev 2) Cable (COM1)");
  EXPECT_EQ(ports[0].m_strPortDesc, "GPS (rev 2) Cable (COM1)");
}

TEST_F(EnumSerialTest, UnreadableTreeGivesComOneToSixteen) {
  SetSysfsRootForTesting(dir_.path() / "missing");
  SerialPortInfoArray ports = Enumerate();
  ASSERT_EQ(ports.size(), 16u);
  for (int i = 0; i < 16; ++i) {
    std::string name = "COM" + std::to_string(i + 1);
    EXPECT_EQ(ports[i].m_strPortName, name);
    EXPECT_EQ(ports[i].m_strDevPath, "\\\\.\\" + name);
    EXPECT_EQ(ports[i].m_strFriendlyName, name);
    EXPECT_EQ(ports[i].m_strPortDesc, name);
    EXPECT_FALSE(ports[i].m_bUsbDevice);
  }

  // A simulated logger is still found, under its own number.
  std::string file =
      AnnounceSimulatedPort("/dev/null", "CP210x USB to UART Bridge Controller", "sim-nt");
  ports = Enumerate();
  ASSERT_EQ(ports.size(), 16u);
  EXPECT_EQ(ports[0].m_strFriendlyName, "CP210x USB to UART Bridge Controller (COM1)");
  EXPECT_EQ(ports[0].m_strDevPath, "/dev/null");
  EXPECT_EQ(ports[1].m_strFriendlyName, "COM2");
  WithdrawSimulatedPort(file);
}

TEST_F(EnumSerialTest, AnnouncedSimulatedPortIsListedWhileItsProcessRuns) {
  fs::create_directories(root() / "sys" / "class" / "tty");
  std::string file =
      AnnounceSimulatedPort("/dev/null", "CP210x USB to UART Bridge Controller", "sim-1");
  ASSERT_FALSE(file.empty());
  SerialPortInfoArray ports = Enumerate();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].m_strDevPath, "/dev/null");
  EXPECT_EQ(ports[0].m_strFriendlyName, "CP210x USB to UART Bridge Controller (COM1)");
  EXPECT_TRUE(ports[0].m_bUsbDevice);
  std::string port;
  EXPECT_TRUE(DetectBridgePortIn(ports, port));
  EXPECT_EQ(port, "COM1");
  // openable, so kept when only openable ports are asked for
  EXPECT_EQ(Enumerate(TRUE).size(), 1u);

  WithdrawSimulatedPort(file);
  EXPECT_TRUE(Enumerate().empty());
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(EnumSerialTest, StaleAndPathlessAnnouncementsAreIgnored) {
  fs::create_directories(root() / "sys" / "class" / "tty");
  ASSERT_FALSE(AnnounceSimulatedPort("/dev/null", "Bridge", "live").empty());
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);  // its pid is now free
  fs::path dir = GetPortAnnouncementFolder();
  std::ofstream(dir / "stale.port") << "path=/dev/null\nname=Old\nid=old\npid=" << child << "\n";
  std::ofstream(dir / "nopath.port")
      << "path=/dev/navrel-no-such-pts\nname=X\nid=x\npid=" << getpid() << "\n";
  std::ofstream(dir / "group.port") << "path=/dev/null\nname=G\nid=g\npid=0\n";
  std::ofstream(dir / "notdev.port") << "path=/etc/passwd\nname=P\nid=p\npid=" << getpid() << "\n";

  SerialPortInfoArray ports = Enumerate();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].m_strFriendlyName, "Bridge (COM1)");
  EXPECT_FALSE(fs::exists(dir / "stale.port"));  // cleaned up
}

TEST_F(EnumSerialTest, PortOnlyOpenableFiltersMissingDevices) {
  UsbAdapter a;
  a.tty = "ttyUSB93";  // no such device node here
  fakesysfs::AddUsbPort(root(), a);
  EXPECT_EQ(Enumerate(FALSE).size(), 1u);
  EXPECT_TRUE(Enumerate(TRUE).empty());
}

TEST(BridgeNames, PortNameComesFromTheFirstParentheses) {
  EXPECT_EQ(PortNameFromFriendlyName("CP210x USB to UART Bridge Controller (COM4)"), "COM4");
  EXPECT_EQ(PortNameFromFriendlyName("A (COM3) (x)"), "COM3");
  EXPECT_EQ(PortNameFromFriendlyName("No parentheses"), "");
  EXPECT_EQ(PortNameFromFriendlyName("Open (only"), "");
  EXPECT_EQ(PortNameFromFriendlyName("odd) order (COM2)"), "COM2");
  EXPECT_TRUE(
      FriendlyNameMatchesBridge("Prolific USB-to-Serial Comm Port (COM3)", FindBridgeNames()[1]));
}

TEST(BridgeNames, PortsAreWalkedInOrderWithEveryNameTried) {
  SerialPortInfoArray ports(3);
  ports[0].m_strFriendlyName = "Prolific USB-to-Serial Comm Port (COM3)";
  ports[1].m_strFriendlyName = "CP210x USB to UART Bridge Controller";  // gives no port name
  ports[2].m_strFriendlyName = "CP210x USB to UART Bridge Controller (COM9)";
  // The first listed bridge wins, although its name comes second in the list.
  std::string port;
  ASSERT_TRUE(FindBridgePortIn(ports, port));
  EXPECT_EQ(port, "COM3");
  port = "//.//COM9";
  ASSERT_TRUE(FindBridgePortIn(ports, port));
  EXPECT_EQ(port, "COM9");
  port = "unchanged";
  EXPECT_FALSE(DetectBridgePortIn({}, port));
  EXPECT_EQ(port, "unchanged");
  EXPECT_FALSE(FriendlyNameMatchesBridge("anything", ""));
}

TEST_F(EnumSerialTest, AbsentHolderIsNeverReplacedByAnotherDeviceAtItsPlace) {
  fs::create_directories(root() / "sys" / "class" / "tty");
  std::string file = AnnounceSimulatedPort("/dev/null", "Bridge", "sim-x");
  UsbAdapter a;
  a.tty = "ttyUSB93";
  fakesysfs::AddUsbPort(root(), a);
  SerialPortInfoArray ports = Enumerate();
  ASSERT_EQ(ports.size(), 2u);
  ASSERT_EQ(Find(ports, "/dev/null")->m_strPortName, "COM2");
  ASSERT_EQ(Find(ports, "/dev/ttyUSB93")->m_strPortName, "COM1");

  WithdrawSimulatedPort(file);
  fakesysfs::RemoveTty(root(), "ttyUSB93");
  // The pseudo-terminal's place now holds something else: not opened, and
  // no built-in port stands in for the number either.
  EXPECT_EQ(ResolveComPortName("COM2"), "");
  // Nothing at the adapter's last place: the open will say it is missing.
  EXPECT_EQ(ResolveComPortName("COM1"), "/dev/ttyUSB93");
}

TEST_F(EnumSerialTest, FreeNumberNeverOpensABuiltInPortOfAnotherNumber) {
  // The table gives ttyS1 the number 7 (an older assignment kept by hand).
  fs::create_directories(dir_.path() / "config");
  std::ofstream(dir_.path() / "config" / "comports")
      << "NAVREL COMPORTS 1\nCOM7\ttty:ttyS1\t/dev/ttyS1\n";
  fakesysfs::AddBuiltinPort(root(), "ttyS1");
  ASSERT_EQ(Enumerate()[0].m_strPortName, "COM7");
  EXPECT_EQ(ResolveComPortName("COM7"), "/dev/ttyS1");
  EXPECT_EQ(ResolveComPortName("COM2"), "");  // not COM7's device
  EXPECT_EQ(ResolveComPortName("COM3"), "/dev/ttyS2");
}

}  // namespace
