#include "sim/BlockProtocolSim.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "sim/SimLogger.h"

namespace sim {

namespace {

constexpr std::size_t kBlockData = 512;
constexpr std::size_t kMaxFrame = 2 + 512 + 2;

std::uint8_t Sum7(const std::uint8_t* p, std::size_t n) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += p[i];
  return static_cast<std::uint8_t>(sum & 0x7F);
}

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(s[at + i]);
  return v;
}

void PauseMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::uint8_t> RecordBytes(const std::vector<BlockTrackRecord>& records) {
  std::vector<std::uint8_t> bytes;
  for (const auto& r : records) {
    const std::uint32_t words[4] = {static_cast<std::uint32_t>(r.longitude),
                                    static_cast<std::uint32_t>(r.latitude),
                                    static_cast<std::uint32_t>(r.altitude), r.time};
    for (std::uint32_t w : words)
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
  }
  const std::size_t rest = bytes.size() % kBlockData;
  if (rest) bytes.resize(bytes.size() + kBlockData - rest, 0xFF);
  return bytes;
}

}  // namespace

void BlockProtocolSim::SetFaults(const BlockFaults& faults) {
  std::lock_guard lock(m_mutex);
  m_faults = faults;
  m_blocksDamaged = 0;
  m_resendDone = m_refuseDone = false;
}

void BlockProtocolSim::SetLog(std::vector<BlockTrackRecord> records) {
  std::lock_guard lock(m_mutex);
  m_records = std::move(records);
}

std::vector<BlockTrackRecord> BlockProtocolSim::Log() const {
  std::lock_guard lock(m_mutex);
  return m_records;
}

std::vector<std::uint8_t> BlockProtocolSim::LogBytes() const {
  std::lock_guard lock(m_mutex);
  return RecordBytes(m_records);
}

std::vector<BlockTrackRecord> BlockProtocolSim::GenerateRecords(unsigned seed, int count) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> step(-2000, 2000);
  std::vector<BlockTrackRecord> records;
  std::int32_t lon = 1215000000 + static_cast<std::int32_t>(rng() % 100000);
  std::int32_t lat = 250000000 + static_cast<std::int32_t>(rng() % 100000);
  std::int32_t alt = 1000 + static_cast<std::int32_t>(rng() % 5000);
  std::uint32_t time = 1700000000 + rng() % 86400;
  for (int i = 0; i < count; ++i) {
    records.push_back({lon, lat, alt, time});
    lon += step(rng);
    lat += step(rng);
    alt += step(rng) / 20;
    time += 5;
  }
  return records;
}

std::vector<std::uint8_t> BlockProtocolSim::ReceivedFile() const {
  std::lock_guard lock(m_mutex);
  return m_file;
}
std::uint32_t BlockProtocolSim::AnnouncedLength() const {
  std::lock_guard lock(m_mutex);
  return m_announced;
}
int BlockProtocolSim::FramesTaken() const {
  std::lock_guard lock(m_mutex);
  return m_framesTaken;
}
int BlockProtocolSim::FramesSeen() const {
  std::lock_guard lock(m_mutex);
  return m_framesSeen;
}
int BlockProtocolSim::BadFrames() const {
  std::lock_guard lock(m_mutex);
  return m_badFrames;
}
int BlockProtocolSim::BlocksSent() const {
  std::lock_guard lock(m_mutex);
  return m_blocksSent;
}
int BlockProtocolSim::Finishes() const {
  std::lock_guard lock(m_mutex);
  return m_finishes;
}
int BlockProtocolSim::Clears() const {
  std::lock_guard lock(m_mutex);
  return m_clears;
}

bool BlockProtocolSim::Feed(SimLogger& logger, const std::uint8_t* data, std::size_t size) {
  std::lock_guard lock(m_mutex);
  if (m_state == State::kIdle) return Idle(logger, data, size);
  m_in.append(reinterpret_cast<const char*>(data), size);
  while (m_state != State::kIdle && Step(logger)) {
  }
  if (m_state == State::kIdle) m_in.clear();
  return true;
}

bool BlockProtocolSim::Idle(SimLogger& logger, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '$') m_line.clear();
    m_line += c;
    if (m_line.size() > 64) m_line.erase(0, m_line.size() - 64);
    if (c != '\n' || m_line.empty() || m_line[0] != '$') continue;
    const std::string line = m_line;
    m_line.clear();
    if (m_faults.silent) continue;
    const bool upload = line.rfind("$PMTK182,5*", 0) == 0;
    const bool clear = line.rfind("$PMTK182,6*", 0) == 0;
    const bool sending = line == "$BEG\r\n" || line == "$STA\r\n";
    if (!upload && !clear && !sending) continue;
    // The chipset command is answered with the block protocol's ready
    // byte alone, once the logger is ready.
    if (upload || clear) PauseMs(m_faults.wakeDelayMs);
    if (m_faults.wrongType) {
      logger.Send("$");
      continue;
    }
    logger.Send("!");
    m_state = upload ? State::kUploadRequest : clear ? State::kClearRequest : State::kSendingWoken;
    m_in.assign(reinterpret_cast<const char*>(data + i + 1), size - i - 1);
    while (m_state != State::kIdle && Step(logger)) {
    }
    if (m_state == State::kIdle) m_in.clear();
    // The wake sentence is also seen by the sentence handlers.
    return false;
  }
  return false;
}

void BlockProtocolSim::SendBlock(SimLogger& logger, const std::string& lead, int index) {
  if (index == m_faults.vanishAt) {
    logger.Vanish();
    m_state = State::kIdle;
    return;
  }
  const std::vector<std::uint8_t> bytes = RecordBytes(m_records);
  std::string block(1, '\x02');
  const std::uint8_t* data = bytes.data() + static_cast<std::size_t>(index) * kBlockData;
  std::uint8_t sum = Sum7(data, kBlockData);
  if (m_blocksDamaged < m_faults.badBlocks) {
    ++m_blocksDamaged;
    sum = static_cast<std::uint8_t>((sum + 1) & 0x7F);
  }
  block += static_cast<char>(sum);
  block.append(reinterpret_cast<const char*>(data), kBlockData);
  ++m_blocksSent;
  const std::string all = lead + block;
  const int pieces = std::max(1, m_faults.splitBlocks);
  const std::size_t piece = (all.size() + pieces - 1) / pieces;
  for (std::size_t at = 0; at < all.size(); at += piece) {
    if (at > 0) PauseMs(m_faults.splitDelayMs);
    logger.Send(all.substr(at, piece));
  }
}

bool BlockProtocolSim::Step(SimLogger& logger) {
  if (m_faults.silentAfterWake) {
    m_in.clear();
    return false;
  }
  if (m_in.rfind("$END\r\n", 0) == 0) {
    m_in.erase(0, 6);
    if (!m_faults.noFinish) {
      logger.Send("%");
      ++m_finishes;
    }
    m_state = State::kIdle;
    return false;
  }
  const int blocks = static_cast<int>(RecordBytes(m_records).size() / kBlockData);
  switch (m_state) {
    case State::kUploadRequest: {
      if (m_in.size() < 6) return false;
      const bool ok = m_in.rfind("$TLG\r\n", 0) == 0;
      m_in.erase(0, 6);
      if (!ok || m_faults.refuse) {
        logger.Send("?");
        m_state = State::kIdle;
        return false;
      }
      std::string lead = "!";
      PutU32(lead, static_cast<std::uint32_t>(blocks) | std::uint32_t{m_faults.sizeTopByte} << 24);
      PutU32(lead, 0);
      PutU32(lead, m_records.empty() ? 0 : static_cast<std::uint32_t>(m_records.size() * 16 - 1));
      m_block = 0;
      if (blocks == 0) {
        logger.Send(lead);
        m_state = State::kEnd;
      } else {
        m_state = State::kBlockAck;
        SendBlock(logger, lead, 0);
      }
      return true;
    }
    case State::kBlockAck: {
      if (m_in.size() < 3) return false;
      const char ack = m_in[0];
      m_in.erase(0, 3);
      if (ack == '@') {
        SendBlock(logger, "&", m_block);
        return true;
      }
      if (m_block == m_faults.userBreakAt) {
        logger.Send("^");
        m_state = State::kIdle;
        return false;
      }
      if (++m_block < blocks) {
        SendBlock(logger, "&", m_block);
      } else {
        logger.Send("&");
        m_state = State::kEnd;
      }
      return true;
    }
    case State::kClearRequest: {
      if (m_in.size() < 6) return false;
      const bool ok = m_in.rfind("$WRT\r\n", 0) == 0;
      m_in.erase(0, 6);
      if (!ok || m_faults.refuse) {
        logger.Send("?");
        m_state = State::kIdle;
        return false;
      }
      m_clearPercent = 25;
      logger.Send(std::string("!") + static_cast<char>(m_clearPercent));
      m_state = State::kClearAck;
      return true;
    }
    case State::kClearAck: {
      if (m_in.size() < 3) return false;
      m_in.erase(0, 3);
      if (m_clearPercent >= 100) {
        m_state = State::kEnd;
        return true;
      }
      m_clearPercent += 25;
      if (m_clearPercent >= 100) {
        m_records.clear();
        ++m_clears;
      }
      logger.Send(std::string(1, static_cast<char>(m_clearPercent)));
      return true;
    }
    case State::kSendingWoken: {
      if (m_in.size() < 6) return false;
      if (m_in.rfind("$BEG\r\n", 0) == 0 || m_in.rfind("$STA\r\n", 0) == 0) {
        // Wake words still on their way from the PC's polls.
        m_in.erase(0, 6);
        return true;
      }
      if (m_in.rfind("$TLG\r\n", 0) == 0) {
        // The log status: addresses, status bytes, then '&' after the "!".
        m_in.erase(0, 6);
        std::string reply = "!";
        PutU32(reply, 0);
        PutU32(reply,
               m_records.empty() ? 0 : static_cast<std::uint32_t>(m_records.size() * 16 - 1));
        reply += std::string("\x01\x00\x00\x00\x00", 5);
        logger.Send(reply);
        m_state = State::kStatusAck;
        return true;
      }
      if (m_in.size() < 10) return false;
      const bool ok = m_in.rfind("$WRT", 0) == 0 && m_in.compare(8, 2, "\r\n") == 0;
      m_announced = ok ? GetU32(m_in, 4) : 0;
      m_in.erase(0, 10);
      if (!ok || m_faults.refuse || m_faults.noRoom) {
        logger.Send(m_faults.noRoom && ok ? "#" : "?");
        m_state = State::kIdle;
        return false;
      }
      m_file.clear();
      m_frame = 0;
      logger.Send("!");
      m_state = State::kFrames;
      return true;
    }
    case State::kFrames:
      return Frame(logger);
    case State::kStatusAck: {
      if (m_in.size() < 3) return false;
      m_in.erase(0, 3);
      logger.Send(m_faults.userBreakAt == 0 ? "^" : "&");
      m_state = m_faults.userBreakAt == 0 ? State::kIdle : State::kEnd;
      return true;
    }
    case State::kEnd:
    case State::kIdle:
      // Anything but "$END" is dropped here.
      if (m_in.size() >= 6) m_in.erase(0, 1);
      return m_in.size() >= 6;
  }
  return false;
}

bool BlockProtocolSim::Frame(SimLogger& logger) {
  if (m_in.size() < 4) return false;
  if (static_cast<std::uint8_t>(m_in[0]) != 0x01) {
    m_in.erase(0, 1);
    return true;
  }
  // The frame ends at the first CR LF after at least one payload byte.
  std::size_t end = std::string::npos;
  for (std::size_t i = 3; i + 1 < m_in.size() && i <= kMaxFrame - 2; ++i)
    if (m_in[i] == '\r' && m_in[i + 1] == '\n') {
      end = i;
      break;
    }
  if (end == std::string::npos) {
    if (m_in.size() < kMaxFrame) return false;
    m_in.clear();
    ++m_badFrames;
    logger.Send("@&");
    return false;
  }
  ++m_framesSeen;
  const auto* payload = reinterpret_cast<const std::uint8_t*>(m_in.data() + 2);
  const std::size_t length = end - 2;
  const bool good = Sum7(payload, length) == static_cast<std::uint8_t>(m_in[1]);
  if (!good) {
    ++m_badFrames;
    m_in.erase(0, end + 2);
    logger.Send("@&");
    return true;
  }
  if (m_frame == m_faults.resendFrame && !m_resendDone) {
    m_resendDone = true;
    m_in.erase(0, end + 2);
    logger.Send("@&");
    return true;
  }
  if (m_frame == m_faults.refuseFrame && !m_refuseDone) {
    // Refused: the PC sends nothing until the logger asks for it again.
    m_refuseDone = true;
    m_in.erase(0, end + 2);
    logger.Send("?&");
    PauseMs(50);
    logger.Send("@&");
    return true;
  }
  m_file.insert(m_file.end(), payload, payload + length);
  m_in.erase(0, end + 2);
  ++m_framesTaken;
  logger.Send(m_frame == m_faults.userBreakAt ? "!^" : "!&");
  if (m_frame == m_faults.userBreakAt) m_state = State::kIdle;
  ++m_frame;
  return true;
}

std::shared_ptr<BlockProtocolSim> InstallBlockProtocol(SimLogger& logger) {
  auto state = std::make_shared<BlockProtocolSim>();
  logger.AddByteHandler([state](SimLogger& l, const std::uint8_t* data, std::size_t size) {
    return state->Feed(l, data, size);
  });
  return state;
}

}  // namespace sim
