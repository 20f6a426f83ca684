#include "platform/ProcessTimeZone.h"

#include <atomic>
#include <cstdint>

namespace {
// A set flag above the hours in one atomic word, so readers never see a
// half-written state.
std::atomic<std::uint64_t> g_zoneWord{0};
constexpr std::uint64_t kSetFlag = std::uint64_t{1} << 32;
}  // namespace

void SetProcessTimeZone(int hours) {
  g_zoneWord.store(kSetFlag | static_cast<std::uint32_t>(hours));
}

void ClearProcessTimeZone() { g_zoneWord.store(0); }

std::optional<int> GetProcessTimeZone() {
  const std::uint64_t word = g_zoneWord.load();
  if (!(word & kSetFlag)) return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(word));
}

bool ProcessGmtTime(std::time_t t, std::tm& out) { return gmtime_r(&t, &out) != nullptr; }

bool ProcessLocalTime(std::time_t t, std::tm& out) {
  if (const auto zone = GetProcessTimeZone()) {
    if (!ProcessGmtTime(t + static_cast<std::time_t>(*zone) * 3600, out)) return false;
    out.tm_isdst = 0;
    return true;
  }
  return localtime_r(&t, &out) != nullptr;
}

std::time_t ProcessMakeLocalTime(std::tm& local) {
  if (const auto zone = GetProcessTimeZone()) {
    local.tm_isdst = 0;
    const std::time_t utc = timegm(&local);
    if (utc == static_cast<std::time_t>(-1)) return utc;
    return utc - static_cast<std::time_t>(*zone) * 3600;
  }
  return std::mktime(&local);
}
