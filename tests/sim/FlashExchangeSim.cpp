#include "sim/FlashExchangeSim.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "firmware/Crc32.h"
#include "sim/SimLogger.h"

using namespace flashproto;

bool FlashExchangeSim::Feed(const std::uint8_t* data, std::size_t n,
                            std::vector<std::uint8_t>& reply) {
  if (!active_) {
    syncSeen_.append(reinterpret_cast<const char*>(data), n);
    std::size_t at = syncSeen_.find(SYNC);
    if (at == std::string::npos) {
      if (syncSeen_.size() > 256) syncSeen_.erase(0, syncSeen_.size() - SYNC.size());
      return false;
    }
    if (faults.silent) return true;
    reply.insert(reply.end(), SYNC_REPLY.begin(), SYNC_REPLY.end());
    std::string rest = syncSeen_.substr(at + SYNC.size());
    Begin();
    data = reinterpret_cast<const std::uint8_t*>(rest.data());
    n = rest.size();
    reader_.Feed(data, n);
  } else {
    reader_.Feed(data, n);
  }
  while (auto r = reader_.Next()) {
    if (r->bad) {
      reply.push_back(NAK);
      reply.push_back(r->frame.seq);
      continue;
    }
    Handle(r->frame, reply);
    if (!active_) break;
  }
  // A repeated handshake while active is answered again (the host retried).
  auto& pending = reader_.Pending();
  std::string tail(pending.begin(), pending.end());
  if (tail.find(SYNC) != std::string::npos) {
    pending.clear();
    reply.insert(reply.end(), SYNC_REPLY.begin(), SYNC_REPLY.end());
  }
  return true;
}

void FlashExchangeSim::Begin() {
  active_ = true;
  syncSeen_.clear();
  reader_ = FrameReader{};
  agent_.clear();
  image_.clear();
  nextAgentSeq_ = nextImageSeq_ = blockIndex_ = 0;
  nakDone_ = false;
}

bool FlashExchangeSim::Data(const Frame& f, std::vector<std::uint8_t>& into, std::uint32_t total,
                            int& nextSeq) {
  if (f.seq == static_cast<std::uint8_t>(nextSeq - 1) && nextSeq > 0) {
    ++resent_;  // our ACK was lost: the block is already stored
    return true;
  }
  if (f.seq != static_cast<std::uint8_t>(nextSeq) || into.size() + f.payload.size() > total)
    return false;
  into.insert(into.end(), f.payload.begin(), f.payload.end());
  ++nextSeq;
  return true;
}

void FlashExchangeSim::SetBlockHook(std::function<void()> hook) {
  std::lock_guard lock(hookMutex_);
  blockHook_ = std::move(hook);
}

void FlashExchangeSim::Handle(const Frame& f, std::vector<std::uint8_t>& reply) {
  if (f.type == AGENT_DATA || f.type == IMAGE_DATA) {
    std::lock_guard lock(hookMutex_);
    if (blockHook_) blockHook_();
  }
  auto ack = [&](bool ok) {
    reply.push_back(ok ? ACK : NAK);
    reply.push_back(f.seq);
  };
  auto send = [&](std::uint8_t type, std::vector<std::uint8_t> payload) {
    auto bytes = EncodeFrame(Frame{type, 0, std::move(payload)});
    reply.insert(reply.end(), bytes.begin(), bytes.end());
  };
  switch (f.type) {
    case AGENT_BEGIN:
      agentChip_ = GetU32(f.payload, 0);
      agentLength_ = GetU32(f.payload, 4);
      agentCrc_ = GetU32(f.payload, 8);
      agent_.clear();
      nextAgentSeq_ = 0;
      ack(f.payload.size() == 12 && (agentChip_ == 3318 || agentChip_ == 3329));
      break;
    case AGENT_DATA:
      ack(Data(f, agent_, agentLength_, nextAgentSeq_));
      break;
    case AGENT_RUN: {
      ack(true);
      bool good = !faults.refuseAgent && agent_.size() == agentLength_ &&
                  Crc32(static_cast<UINT>(agent_.size()), agent_.data()) == agentCrc_;
      std::vector<std::uint8_t> p;
      PutU32(p, good ? 0 : 1);
      PutU32(p, faults.flashSize);
      send(AGENT_READY, p);
      break;
    }
    case IMAGE_BEGIN:
      imageLength_ = GetU32(f.payload, 4);
      imageCrc_ = GetU32(f.payload, 8);
      image_.clear();
      nextImageSeq_ = 0;
      blockIndex_ = 0;
      ack(imageLength_ > 0 && imageLength_ <= faults.flashSize);
      break;
    case IMAGE_DATA:
      if (blockIndex_ == faults.nakImageBlock && !nakDone_) {
        nakDone_ = true;
        ack(false);
        break;
      }
      if (Data(f, image_, imageLength_, nextImageSeq_)) {
        blockIndex_ = nextImageSeq_;
        ack(true);
      } else {
        ack(false);
      }
      break;
    case VERIFY: {
      ack(true);
      std::uint32_t crc = Crc32(static_cast<UINT>(image_.size()), image_.data());
      std::vector<std::uint8_t> p;
      PutU32(p, faults.corruptVerify ? ~crc : crc);
      send(VERIFY_REPLY, p);
      break;
    }
    case RESTART: {
      bool complete = image_.size() == imageLength_ && imageLength_ > 0;
      ack(complete);
      if (complete) {
        ++restarts_;
        active_ = false;
        if (onRestart) onRestart(image_);
      }
      break;
    }
    default:
      ack(false);
  }
}

std::string FlashExchangeSim::VersionInImage(const std::vector<std::uint8_t>& image) {
  static const std::string mark = "FWVER=";
  std::string text(image.begin(), image.end());
  std::size_t at = text.find(mark);
  if (at == std::string::npos || at + mark.size() + 3 > text.size()) return "";
  std::string digits = text.substr(at + mark.size(), 3);
  for (char c : digits)
    if (c < '0' || c > '9') return "";
  return digits;
}

namespace sim {

std::shared_ptr<FlashExchangeSim> InstallFlashExchange(SimLogger& logger) {
  auto state = std::make_shared<FlashExchangeSim>();
  SimLogger* owner = &logger;
  state->onRestart = [owner](const std::vector<std::uint8_t>& image) {
    const std::string version = FlashExchangeSim::VersionInImage(image);
    if (!version.empty()) owner->SetVersions(version, owner->Hardware());
  };
  const std::string sync(SYNC.substr(0, SYNC.find('*')));
  logger.AddHandler(sync, [state](SimLogger& l, const std::string&) {
    if (state->faults.silent) return true;
    l.Send(std::string(SYNC_REPLY));
    state->Begin();
    l.SetRawHandler([state](SimLogger& line, const std::uint8_t* data, std::size_t size) {
      // A paced line takes the time the bytes need at the line's rate, so the
      // upload (and the program's progress bar) runs at a real logger's pace.
      if (line.Pacing())
        std::this_thread::sleep_for(
            std::chrono::microseconds(10'000'000ULL * size / std::max(1u, line.Baud())));
      std::vector<std::uint8_t> reply;
      state->Feed(data, size, reply);
      if (!reply.empty()) line.Send(std::string(reply.begin(), reply.end()));
      if (!state->Active()) line.SetRawHandler({});
    });
    return true;
  });
  return state;
}

}  // namespace sim
