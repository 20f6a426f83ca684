#include "flashlib/FlashExchange.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "firmware/Crc32.h"
#include "flashlib/FlashProtocol.h"

namespace flashlib {

namespace {

using Clock = std::chrono::steady_clock;
using namespace flashproto;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

class Session {
 public:
  Session(FlashTransport& link, const ExchangeParams& p) : link_(link), p_(p) {}

  bool Handshake() {
    const auto deadline = Clock::now() + std::chrono::milliseconds(p_.handshakeTimeoutMs);
    std::string seen;
    do {
      Send(std::vector<std::uint8_t>(SYNC.begin(), SYNC.end()));
      const auto retry = std::min(Clock::now() + std::chrono::milliseconds(200), deadline);
      while (Clock::now() < retry) {
        std::uint8_t buf[256];
        int n = link_.Read(buf, sizeof buf, std::max(1, RemainingMs(retry)));
        if (n < 0) return false;
        seen.append(reinterpret_cast<char*>(buf), n);
        std::size_t at = seen.find(SYNC_REPLY);
        if (at != std::string::npos) {
          // Keep what followed the reply for the frame reader.
          std::string rest = seen.substr(at + SYNC_REPLY.size());
          pending_.assign(rest.begin(), rest.end());
          return true;
        }
        if (seen.size() > 4096) seen.erase(0, seen.size() - 16);
      }
    } while (Clock::now() < deadline);
    return false;
  }

  // Sends one frame and waits for its ACK; resends after a NAK or silence.
  bool SendAcked(std::uint8_t type, std::uint8_t seq, const std::vector<std::uint8_t>& payload) {
    const auto bytes = EncodeFrame(Frame{type, seq, payload});
    for (int attempt = 0; attempt <= p_.blockResends; ++attempt) {
      if (!Send(bytes)) return false;
      int answer = WaitAck(seq);
      if (answer == ACK) return true;
      if (answer < 0) return false;
    }
    return false;
  }

  // Sends a frame whose answer is a reply frame of type `want`.
  std::optional<Frame> Request(std::uint8_t type, std::uint8_t want,
                               const std::vector<std::uint8_t>& payload = {}) {
    if (!SendAcked(type, 0, payload)) return std::nullopt;
    const auto deadline = Clock::now() + std::chrono::milliseconds(p_.replyTimeoutMs);
    while (true) {
      while (auto r = reader_.Next())
        if (!r->bad && r->frame.type == want) return r->frame;
      if (!Fill(deadline)) return std::nullopt;
    }
  }

  bool SendBlocks(std::uint8_t type, const std::vector<std::uint8_t>& data,
                  FlashProgressCallback progress, void* context, std::uint32_t& done) {
    const std::size_t block = std::clamp<std::size_t>(p_.blockSize, 16, MAX_BLOCK);
    std::uint8_t seq = 0;
    for (std::size_t at = 0; at < data.size(); at += block, ++seq) {
      std::size_t n = std::min(block, data.size() - at);
      if (!SendAcked(type, seq, {data.begin() + at, data.begin() + at + n})) return false;
      done = static_cast<std::uint32_t>(at + n);
      if (progress) {
        auto total = static_cast<std::uint32_t>(data.size());
        progress(static_cast<std::uint32_t>(std::uint64_t{done} * 100 / total), done, total,
                 context);
      }
    }
    return true;
  }

 private:
  bool Send(const std::vector<std::uint8_t>& bytes) {
    return link_.Write(bytes.data(), bytes.size());
  }

  // Reads more bytes into the frame reader; false on time-out or failure.
  bool Fill(Clock::time_point deadline) {
    if (!pending_.empty()) {
      reader_.Feed(pending_.data(), pending_.size());
      pending_.clear();
      return true;
    }
    int left = RemainingMs(deadline);
    if (left <= 0) return false;
    std::uint8_t buf[512];
    int n = link_.Read(buf, sizeof buf, left);
    if (n <= 0) return false;
    reader_.Feed(buf, static_cast<std::size_t>(n));
    return true;
  }

  // ACK or NAK for seq; 0 on time-out, -1 on a failed channel.
  int WaitAck(std::uint8_t seq) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(p_.replyTimeoutMs);
    while (true) {
      auto& buf = reader_.Pending();
      for (std::size_t i = 0; i + 1 < buf.size(); ++i) {
        if ((buf[i] == ACK || buf[i] == NAK) && buf[i + 1] == seq) {
          int answer = buf[i];
          buf.erase(buf.begin(), buf.begin() + i + 2);
          return answer;
        }
      }
      if (!pending_.empty()) {
        Fill(deadline);
        continue;
      }
      int left = RemainingMs(deadline);
      if (left <= 0) return 0;
      std::uint8_t tmp[512];
      int n = link_.Read(tmp, sizeof tmp, left);
      if (n < 0) return -1;
      if (n == 0) return 0;
      reader_.Feed(tmp, static_cast<std::size_t>(n));
    }
  }

  FlashTransport& link_;
  const ExchangeParams& p_;
  FrameReader reader_;
  std::vector<std::uint8_t> pending_;
};

std::vector<std::uint8_t> Header(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  std::vector<std::uint8_t> out;
  PutU32(out, a);
  PutU32(out, b);
  PutU32(out, c);
  return out;
}

}  // namespace

std::int32_t RunExchange(FlashTransport& link, const ExchangeParams& p, FlashResult& result) {
  Session s(link, p);
  auto fail = [&](std::int32_t code) {
    result.nError = static_cast<std::uint32_t>(code);
    return code;
  };
  result.nStage = FLASH_STAGE_HANDSHAKE;
  if (!s.Handshake()) return fail(FLASH_DL_NO_HANDSHAKE);

  result.nStage = FLASH_STAGE_AGENT;
  if (p.agentInit) p.agentInit(p.agentInitContext);
  const auto agentCrc = Crc32(static_cast<UINT>(p.agentCode.size()), p.agentCode.data());
  if (!s.SendAcked(AGENT_BEGIN, 0,
                   Header(p.agentChip, static_cast<std::uint32_t>(p.agentCode.size()), agentCrc)))
    return fail(FLASH_DL_AGENT_REFUSED);
  if (!s.SendBlocks(AGENT_DATA, p.agentCode, p.agentProgress, p.agentProgressContext,
                    result.nAgentBytes))
    return fail(FLASH_DL_TRANSFER);
  auto ready = s.Request(AGENT_RUN, AGENT_READY);
  if (!ready || (p.checkAgent && GetU32(ready->payload, 0) != 0))
    return fail(FLASH_DL_AGENT_REFUSED);
  const std::uint32_t flashSize = GetU32(ready->payload, 4);
  if (flashSize != 0 && p.image.size() > flashSize) return fail(FLASH_DL_IMAGE_REFUSED);

  result.nStage = FLASH_STAGE_IMAGE;
  if (p.imageInit) p.imageInit(p.imageInitContext);
  result.nImageCrc = Crc32(static_cast<UINT>(p.image.size()), p.image.data());
  if (!s.SendAcked(
          IMAGE_BEGIN, 0,
          Header(p.loadAddress, static_cast<std::uint32_t>(p.image.size()), result.nImageCrc)))
    return fail(FLASH_DL_IMAGE_REFUSED);
  if (!s.SendBlocks(IMAGE_DATA, p.image, p.imageProgress, p.imageProgressContext,
                    result.nImageBytes))
    return fail(FLASH_DL_TRANSFER);

  if (p.verify) {
    result.nStage = FLASH_STAGE_VERIFY;
    auto reply = s.Request(VERIFY, VERIFY_REPLY);
    if (!reply) return fail(FLASH_DL_TRANSFER);
    result.nLoggerCrc = GetU32(reply->payload, 0);
    if (result.nLoggerCrc != result.nImageCrc) return fail(FLASH_DL_VERIFY);
  }
  if (p.restart && !s.SendAcked(RESTART, 0, {})) return fail(FLASH_DL_TRANSFER);
  result.nStage = FLASH_STAGE_DONE;
  return fail(FLASH_DL_OK);
}

}  // namespace flashlib
