#include "platform/ProcessTimeZone.h"

#include <atomic>

namespace {
// Hours + 100 when set, 0 when not: one atomic word, so readers never see a
// half-written state.
std::atomic<int> g_zoneWord{0};
constexpr int kSetBias = 100;
}  // namespace

void SetProcessTimeZone(int hours) { g_zoneWord.store(hours + kSetBias); }

void ClearProcessTimeZone() { g_zoneWord.store(0); }

std::optional<int> GetProcessTimeZone() {
  const int word = g_zoneWord.load();
  if (word == 0) return std::nullopt;
  return word - kSetBias;
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
