#include <gtest/gtest.h>

#include "common/UtilityManager.h"

TEST(UtilityManager, StartsWithDefaultPortAndClearedFlags) {
  CUtilityManager m;
  EXPECT_EQ(m.m_strPortName, "COM1");
  EXPECT_EQ(m.m_nModelCode, 0);
  EXPECT_EQ(m.m_bHighSpeed, 0);
  EXPECT_EQ(m.m_bLinkLost, 0);
  EXPECT_EQ(m.m_nBaudRate, 0);
}

TEST(UtilityManager, PortSettingsRoundTrip) {
  CUtilityManager m;
  m.SetPortSettings("COM7", 38400, 0);
  std::string name;
  int baud = 1, handle = 1;
  m.GetPortSettings(name, baud, handle);
  EXPECT_EQ(name, "COM7");
  EXPECT_EQ(baud, 38400);
  EXPECT_EQ(handle, 0);
}
