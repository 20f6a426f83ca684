#include "logger/BlockTransferWire.h"

namespace blockwire {

BYTE Checksum7(const BYTE* data, std::size_t count) {
  BYTE sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum = static_cast<BYTE>(sum + data[i]);
  return static_cast<BYTE>(sum & 0x7F);
}

std::uint32_t GetU32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutU32(BYTE* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(value >> (8 * i));
}

std::uint32_t TotalFromBlockCount(const BYTE* sizeReply) {
  // Kept in 32 bits: the top bits of the count drop out.
  return GetU32(sizeReply) * static_cast<std::uint32_t>(kBlockData);
}

std::uint32_t RoundToBlock(std::uint32_t length) {
  const std::uint32_t rest = length % kBlockData;
  return rest == 0 ? length : length + (kBlockData - rest);
}

}  // namespace blockwire

BlockSettingsBlock BlockSettingsBlock::FromBytes(const BYTE* p) {
  BlockSettingsBlock s;
  s.enable = p[0];
  s.logBy = p[1];
  s.seconds = blockwire::GetU32(p + 2);
  s.metres = blockwire::GetU32(p + 6);
  s.flashMode = p[10];
  return s;
}
