// The logger's boot loader side of the flash exchange (see
// flashlib/FlashProtocol.h), for the simulated logger and the tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "flashlib/FlashProtocol.h"

class FlashExchangeSim {
 public:
  // Faults a test can ask for, also while the logger's thread runs.
  struct Faults {
    std::atomic<bool> silent{false};         // never answer the handshake
    std::atomic<bool> refuseAgent{false};    // AGENT_READY reports a bad agent
    std::atomic<int> nakImageBlock{-1};      // refuse this image block once
    std::atomic<bool> corruptVerify{false};  // report a wrong image checksum
    std::atomic<std::uint32_t> flashSize{0x100000};
  };

  // Called with the image when the host restarts the logger after a complete
  // upload.
  std::function<void(const std::vector<std::uint8_t>& image)> onRestart;

  Faults faults;

  // Called on the logger's thread with each data block of the agent or the
  // image before it is answered: the host waits for that answer, so what it
  // shows then is what it showed after the block before.
  void SetBlockHook(std::function<void()> hook);

  // Takes bytes from the host. Returns true while the exchange owns the line
  // (after a handshake); `reply` receives what the logger sends back.
  bool Feed(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>& reply);

  // Enters the boot loader (after the handshake was answered elsewhere).
  void Begin();
  bool Active() const { return active_; }
  const std::vector<std::uint8_t>& Agent() const { return agent_; }
  const std::vector<std::uint8_t>& Image() const { return image_; }
  int Restarts() const { return restarts_; }
  // Blocks received twice (after a refusal).
  int ResentBlocks() const { return resent_; }

  // The three firmware digits after "FWVER=" in an image, or "" when absent.
  static std::string VersionInImage(const std::vector<std::uint8_t>& image);

 private:
  void Handle(const flashproto::Frame& f, std::vector<std::uint8_t>& reply);
  bool Data(const flashproto::Frame& f, std::vector<std::uint8_t>& into, std::uint32_t total,
            int& nextSeq);

  bool active_ = false;
  std::string syncSeen_;
  flashproto::FrameReader reader_;
  std::uint32_t agentChip_ = 0, agentLength_ = 0, agentCrc_ = 0;
  std::uint32_t imageLength_ = 0, imageCrc_ = 0;
  int nextAgentSeq_ = 0, nextImageSeq_ = 0, blockIndex_ = 0;
  bool nakDone_ = false;
  std::mutex hookMutex_;
  std::function<void()> blockHook_;
  std::vector<std::uint8_t> agent_, image_;
  std::atomic<int> restarts_{0}, resent_{0};
};

namespace sim {
class SimLogger;
// Teaches the simulated logger the flash exchange: the handshake sentence
// hands the line to the boot loader, and a started image replaces the
// logger's firmware version with the one in the image.
std::shared_ptr<FlashExchangeSim> InstallFlashExchange(SimLogger& logger);
}  // namespace sim
