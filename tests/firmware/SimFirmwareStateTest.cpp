// The standalone simulator keeps a flashed firmware version for its next
// start, per model, in its own state folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "sim/SimFirmwareState.h"
#include "support/test_support.h"

TEST(SimFirmwareState, FlashedVersionSurvivesARestartOfItsModelOnly) {
  testsupport::TempDir state;
  const char* saved = getenv("XDG_STATE_HOME");
  const std::string before = saved ? saved : "";
  setenv("XDG_STATE_HOME", state.path().c_str(), 1);
  {
    sim::SimLogger first(sim::Model::R710);
    first.SetVersions("105", first.Hardware());
    ASSERT_TRUE(sim::KeepFirmwareVersion(first));
  }
  EXPECT_EQ(sim::FirmwareStateFile(sim::Model::R710).parent_path(), state.path() / "navrel-sim");
  sim::SimLogger again(sim::Model::R710), other(sim::Model::TX380);
  const std::string factory = other.Firmware();
  sim::RestoreFirmwareVersion(again);
  sim::RestoreFirmwareVersion(other);
  EXPECT_EQ(again.Firmware(), "105");
  EXPECT_EQ(other.Firmware(), factory);
  // A damaged state file is ignored.
  std::ofstream(sim::FirmwareStateFile(sim::Model::TX380)) << "1x5\n";
  sim::RestoreFirmwareVersion(other);
  EXPECT_EQ(other.Firmware(), factory);
  if (saved)
    setenv("XDG_STATE_HOME", before.c_str(), 1);
  else
    unsetenv("XDG_STATE_HOME");
}
