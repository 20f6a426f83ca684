// Host side of the flash exchange (see flashlib/FlashProtocol.h).
#pragma once

#include <cstdint>
#include <vector>

#include "flashlib/FlashLibApi.h"

namespace flashlib {

// A byte channel to the logger.
class FlashTransport {
 public:
  virtual ~FlashTransport() = default;
  virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
  // Waits up to timeoutMs for data; returns the bytes read, 0 on time-out,
  // -1 when the channel failed.
  virtual int Read(std::uint8_t* data, std::size_t n, int timeoutMs) = 0;
};

struct ExchangeParams {
  std::uint16_t agentChip = 0;
  std::vector<std::uint8_t> agentCode;
  std::vector<std::uint8_t> image;
  std::uint32_t loadAddress = 0;
  std::uint32_t blockSize = 256;
  bool checkAgent = true;
  bool verify = true;
  bool restart = true;
  int handshakeTimeoutMs = 3000;
  int replyTimeoutMs = 3000;
  int blockResends = 3;
  FlashInitCallback agentInit = nullptr;
  void* agentInitContext = nullptr;
  FlashProgressCallback agentProgress = nullptr;
  void* agentProgressContext = nullptr;
  FlashInitCallback imageInit = nullptr;
  void* imageInitContext = nullptr;
  FlashProgressCallback imageProgress = nullptr;
  void* imageProgressContext = nullptr;
};

// Runs the whole exchange; returns a FLASH_DL_* code and fills result.
std::int32_t RunExchange(FlashTransport& link, const ExchangeParams& p, FlashResult& result);

}  // namespace flashlib
