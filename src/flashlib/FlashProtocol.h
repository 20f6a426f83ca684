// The flash exchange between the flashing library (host) and the logger's
// boot loader over the serial port.
//
// 1. Handshake: the host sends the sentence SYNC ("$PNVFL,SYNC*69") every
//    200 ms until the logger answers SYNC_REPLY ("$PNVFL,READY*25"); the
//    logger's firmware then hands the line to its boot loader, which speaks
//    the binary frames below until the new image is started.
// 2. Every further message is a frame:
//      SOH (0x01), type, seq, length (2 bytes LE), payload, sum (2 bytes LE)
//    where sum is the 16-bit sum of the bytes from type to the payload's end.
//    A received frame is answered with ACK (0x06) seq, or NAK (0x15) seq when
//    its sum is wrong or its content is refused. A refused data block is sent
//    again. Frames the logger sends back (types in lower case) are not
//    acknowledged.
// 3. Agent: AGENT_BEGIN (chip u32, length u32, crc32 u32), AGENT_DATA blocks,
//    AGENT_RUN; the logger answers AGENT_READY (status u32: 0 when the agent's
//    checksum matched, flash size u32).
// 4. Image: IMAGE_BEGIN (load address u32, length u32, crc32 u32); NAK when the
//    image does not fit the flash; IMAGE_DATA blocks.
// 5. VERIFY: the logger answers VERIFY_REPLY (crc32 u32 of the image it
//    received); RESTART: the logger acknowledges and starts the new image.
// Blocks carry at most MAX_BLOCK bytes; sequence numbers count up from 0 for
// each transfer and wrap at 256. All numbers are little-endian.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace flashproto {

inline constexpr std::string_view SYNC = "$PNVFL,SYNC*69\r\n";
inline constexpr std::string_view SYNC_REPLY = "$PNVFL,READY*25\r\n";
inline constexpr std::uint8_t SOH = 0x01;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr std::size_t MAX_BLOCK = 1024;

enum FrameType : std::uint8_t {
  AGENT_BEGIN = 'A',
  AGENT_DATA = 'B',
  AGENT_RUN = 'J',
  IMAGE_BEGIN = 'I',
  IMAGE_DATA = 'D',
  VERIFY = 'V',
  RESTART = 'R',
  AGENT_READY = 'j',
  VERIFY_REPLY = 'v',
};

struct Frame {
  std::uint8_t type = 0;
  std::uint8_t seq = 0;
  std::vector<std::uint8_t> payload;
};

inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::uint32_t GetU32(const std::vector<std::uint8_t>& in, std::size_t at) {
  if (at + 4 > in.size()) return 0;
  return in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) |
         (static_cast<std::uint32_t>(in[at + 3]) << 24);
}

inline std::vector<std::uint8_t> EncodeFrame(const Frame& f) {
  std::vector<std::uint8_t> out(5 + f.payload.size() + 2);
  out[0] = SOH;
  out[1] = f.type;
  out[2] = f.seq;
  out[3] = static_cast<std::uint8_t>(f.payload.size());
  out[4] = static_cast<std::uint8_t>(f.payload.size() >> 8);
  std::copy(f.payload.begin(), f.payload.end(), out.begin() + 5);
  out.resize(5 + f.payload.size());
  std::uint16_t sum = 0;
  for (std::size_t i = 1; i < out.size(); ++i) sum = static_cast<std::uint16_t>(sum + out[i]);
  out.push_back(static_cast<std::uint8_t>(sum));
  out.push_back(static_cast<std::uint8_t>(sum >> 8));
  return out;
}

// Collects bytes and hands out whole frames. Bytes before an SOH are skipped;
// a frame whose sum is wrong is reported with `bad` set so that the receiver
// can answer NAK with its sequence number.
class FrameReader {
 public:
  struct Result {
    Frame frame;
    bool bad = false;
  };

  void Feed(const std::uint8_t* data, std::size_t n) { buf_.insert(buf_.end(), data, data + n); }

  std::optional<Result> Next() {
    std::size_t start = 0;
    while (start < buf_.size() && buf_[start] != SOH) ++start;
    buf_.erase(buf_.begin(), buf_.begin() + start);
    if (buf_.size() < 5) return std::nullopt;
    std::size_t len = buf_[3] | (buf_[4] << 8);
    if (len > MAX_BLOCK + 16) {  // not a frame start: resynchronise
      buf_.erase(buf_.begin());
      return Next();
    }
    if (buf_.size() < 5 + len + 2) return std::nullopt;
    std::uint16_t sum = 0;
    for (std::size_t i = 1; i < 5 + len; ++i) sum = static_cast<std::uint16_t>(sum + buf_[i]);
    std::uint16_t stored = buf_[5 + len] | (buf_[6 + len] << 8);
    Result r;
    r.frame.type = buf_[1];
    r.frame.seq = buf_[2];
    r.frame.payload.assign(buf_.begin() + 5, buf_.begin() + 5 + len);
    r.bad = sum != stored;
    buf_.erase(buf_.begin(), buf_.begin() + 5 + len + 2);
    return r;
  }

  std::vector<std::uint8_t>& Pending() { return buf_; }

 private:
  std::vector<std::uint8_t> buf_;
};

}  // namespace flashproto
