// The simulated logger's log memory: its layout and its read exchange.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/LogMemorySim.h"

namespace {

using sim::BuildLogMemory;
using sim::kLogHeaderSize;
using sim::kLogSectorSize;

TrackRecord SlotAt(const std::vector<std::uint8_t>& image, std::size_t at) {
  TrackRecord r;
  std::memcpy(r.bytes, &image[at], 16);
  return r;
}

TEST(LogMemorySim, UnwrappedLogFillsSectorsFromZeroAndReportsTheBytesInUse) {
  const auto m = BuildLogMemory({.seed = 3, .sectors = 2, .newestSectorBytes = 0x2345});
  EXPECT_EQ(m.usedBytes, 0x12345u);
  // A written sector's header is not erased; the slots past the newest one are.
  EXPECT_NE(m.image[0], 0xFF);
  EXPECT_EQ(std::memcmp(&m.image[kLogHeaderSize], "VANTOTX370LOGGER", 16), 0);
  const std::size_t firstFree =
      kLogSectorSize + kLogHeaderSize + ((0x2345 - kLogHeaderSize) / 16) * 16;
  for (std::size_t i = firstFree; i < m.image.size(); ++i) ASSERT_EQ(m.image[i], 0xFF) << i;
  // Records come in time order with markers, filler and waypoints among them.
  const auto total = m.content.Total();
  ASSERT_GT(total.size(), 4000u);
  EXPECT_FALSE(m.content.waypoints.empty());
  for (std::size_t i = 1; i < total.size(); ++i) ASSERT_LT(total[i - 1].Time(), total[i].Time());
  EXPECT_TRUE(total.front().IsIntact());
}

TEST(LogMemorySim, WrappedRingHasOneTimeStepBackAfterTheNewestSector) {
  const auto m = BuildLogMemory({.seed = 5, .wrapped = true, .newestSector = 9});
  EXPECT_EQ(m.usedBytes, 0x200000u);
  // Walk the intact slots in memory order: time decreases once, where the
  // oldest data (sector 10) follows the newest (sector 9).
  int steps = 0;
  std::size_t stepAt = 0;
  std::uint32_t last = 0;
  for (std::size_t s = 0; s < 32; ++s)
    for (std::size_t slot = 0; slot < 4064; ++slot) {
      const TrackRecord r = SlotAt(m.image, s * kLogSectorSize + kLogHeaderSize + slot * 16);
      if (!r.IsIntact() || r.Time() < 1000000000u || r.bytes[0] == 'V' || r.bytes[0] == 0xAA)
        continue;
      if (r.Time() < last) ++steps, stepAt = s;
      last = r.Time();
    }
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(stepAt, 10u);
}

}  // namespace
