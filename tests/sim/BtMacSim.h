// The logger's side of the Bluetooth address sentences: "$PMTK492" asks for
// the address ("$PMTK592,<12 hex digits>" back), "$PMTK392,<6>,<6>" stores it
// ("$PMTK010" back).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// The logger's thread runs Handle while a test may set the fields: the flags
// are atomic, and a test changing the address of a running logger holds
// `mutex`.
class BtMacSim {
 public:
  // The address as the logger reports it (r0 first); absent reports all FF.
  std::optional<std::array<std::uint8_t, 6>> address;
  std::atomic<bool> answerQuery{true};
  // Sent instead of the address reply when set (a garbled line); a test
  // setting it on a running logger holds `mutex`.
  std::optional<std::string> rawReply;
  std::atomic<bool> answerWrite{true};
  std::atomic<int> writes{0};
  std::mutex mutex;

  // The reply to one received sentence, or nullopt when it is not ours.
  std::optional<std::string> Handle(const std::string& sentence);

  // "$<body>*CS\r\n".
  static std::string Sentence(const std::string& body);
};

namespace sim {
class SimLogger;
// Teaches the simulated logger the address sentences; the returned state
// stays with the logger.
std::shared_ptr<BtMacSim> InstallBtMac(SimLogger& logger);
}  // namespace sim
