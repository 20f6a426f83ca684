#include <gtest/gtest.h>

#include <string>

#include "firmware/Crc32.h"

TEST(Crc32, MatchesTheStandardCheckValue) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32(static_cast<UINT>(text.size()), reinterpret_cast<const BYTE*>(text.data())),
            0xCBF43926u);
  EXPECT_EQ(Crc32(0, nullptr), 0u);
  const BYTE zeros[4] = {0, 0, 0, 0};
  EXPECT_EQ(Crc32(4, zeros), 0x2144DF1Cu);
}
