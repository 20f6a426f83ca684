#include <gtest/gtest.h>

#include <fstream>

#include "link/PortScan.h"
#include "link/SimPortAnnouncement.h"
#include "platform/ComPortNames.h"
#include "platform/ConfigFolder.h"
#include "support/test_support.h"

namespace {

class ComPortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetConfigFolderForTesting(dir_.path() / "config");
    SetSysfsRootForTesting(dir_.path() / "nosys");    // no ports present
    SetRuntimeFolderForTesting(dir_.path() / "run");  // no simulated ports either
  }
  void TearDown() override {
    SetConfigFolderForTesting({});
    SetSysfsRootForTesting({});
    SetRuntimeFolderForTesting({});
  }
  testsupport::TempDir dir_;
};

TEST_F(ComPortNamesTest, RecognisesTheSpellingsOfComNames) {
  EXPECT_EQ(ParseComPortNumber("COM1"), 1);
  EXPECT_EQ(ParseComPortNumber("com12"), 12);
  EXPECT_EQ(ParseComPortNumber("\\\\.\\COM7"), 7);
  EXPECT_EQ(ParseComPortNumber("//./COM7"), 7);
  EXPECT_EQ(ParseComPortNumber("//.//COM7"), 7);
  for (const char* notCom :
       {"COM", "COM0", "COM01", "COM1x", "/dev/ttyS0", "//.COM3", "XCOM3", "COM99999999999", ""})
    EXPECT_EQ(ParseComPortNumber(notCom), 0) << notCom;
}

TEST_F(ComPortNamesTest, AdaptersKeepTheirNumbersAcrossRunsAndReplugs) {
  std::vector<ComPortClaim> first = {{"usb:a", "/dev/ttyUSB0", 0}, {"usb:b", "/dev/ttyUSB1", 0}};
  EXPECT_EQ(AssignComPortNumbers(first), (std::vector<int>{1, 2}));

  // Next run: only b, replugged elsewhere; then a new adapter c comes. a's
  // number stays reserved for a.
  std::vector<ComPortClaim> second = {{"usb:c", "/dev/ttyUSB0", 0}, {"usb:b", "/dev/ttyUSB3", 0}};
  EXPECT_EQ(AssignComPortNumbers(second), (std::vector<int>{3, 2}));

  auto table = LoadComPortTable();
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[1].id, "usb:b");
  EXPECT_EQ(table[1].devPath, "/dev/ttyUSB3");

  // a comes back with its number.
  EXPECT_EQ(AssignComPortNumbers({{"usb:a", "/dev/ttyUSB7", 0}}), (std::vector<int>{1}));
}

TEST_F(ComPortNamesTest, BuiltInPortsGetTheirOwnNumberBeforeNewAdapters) {
  std::vector<ComPortClaim> claims = {{"usb:x", "/dev/ttyUSB0", 0}, {"tty:ttyS0", "/dev/ttyS0", 1}};
  EXPECT_EQ(AssignComPortNumbers(claims), (std::vector<int>{2, 1}));
  // A number already held is not given away to a preference.
  EXPECT_EQ(AssignComPortNumbers({{"tty:ttyS1", "/dev/ttyS1", 2}}), (std::vector<int>{3}));
}

TEST_F(ComPortNamesTest, DamagedTableLinesAreSkipped) {
  std::filesystem::create_directories(dir_.path() / "config");
  std::ofstream(dir_.path() / "config" / "comports")
      << "NAVREL COMPORTS 1\nCOM2\tusb:a\t/dev/ttyUSB0\ngarbage\nCOM2\tusb:dup\t/x\n"
         "COMx\tusb:q\t/y\n";
  EXPECT_EQ(AssignComPortNumbers({{"usb:a", "/dev/ttyUSB0", 0}, {"usb:n", "/dev/ttyUSB1", 0}}),
            (std::vector<int>{2, 1}));

  // The lines that could not be read are kept in a copy set aside.
  int aside = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "config")) {
    if (entry.path().filename().string().rfind("comports.damaged-", 0) != 0) continue;
    ++aside;
    std::ifstream in(entry.path());
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("garbage"), std::string::npos);
  }
  EXPECT_EQ(aside, 1);
  ASSERT_EQ(LoadComPortTable().size(), 2u);
}

TEST_F(ComPortNamesTest, UnreadableTableIsNeverReplaced) {
  std::filesystem::create_directories(dir_.path() / "config");
  const std::filesystem::path table = dir_.path() / "config" / "comports";
  {
    std::ofstream out(table);
    out << "NAVREL COMPORTS 1\nCOM1\tusb:a\t/dev/ttyUSB0\n";
    out << std::string(2u << 20, '#');  // too large to be a table
  }
  auto size = std::filesystem::file_size(table);
  EXPECT_EQ(AssignComPortNumbers({{"usb:n", "/dev/ttyUSB1", 0}}), (std::vector<int>{1}));
  EXPECT_EQ(std::filesystem::file_size(table), size);
}

TEST_F(ComPortNamesTest, ResolvesDevicePathsAndUnmappedNumbers) {
  EXPECT_EQ(ResolveComPortName("/dev/pts/7"), "/dev/pts/7");
  EXPECT_EQ(ResolveComPortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(ResolveComPortName("COM1"), "/dev/ttyS0");
  EXPECT_EQ(ResolveComPortName("\\\\.\\COM10"), "/dev/ttyS9");
  // An absent adapter's number leads to where it was last seen.
  AssignComPortNumbers({{"usb:a", "/dev/ttyUSB4", 0}});
  EXPECT_EQ(ResolveComPortName("COM1"), "/dev/ttyUSB4");
}

}  // namespace
