#include "flashlib/FlashFiles.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "firmware/Crc32.h"
#include "flashlib/FlashLibApi.h"
#include "flashlib/FlashProtocol.h"

namespace flashfiles {

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::uint16_t GetU16(const std::vector<std::uint8_t>& in, std::size_t at) {
  return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

bool ParseNumber(const std::string& text, std::uint32_t& out) {
  if (text.empty()) return false;
  std::size_t used = 0;
  try {
    unsigned long long v = std::stoull(text, &used, 0);
    if (used != text.size() || v > 0xFFFFFFFFull) return false;
    out = static_cast<std::uint32_t>(v);
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> BuildAgentFile(const AgentFile& agent) {
  std::vector<std::uint8_t> out{'N', 'V', 'D', 'A'};
  PutU16(out, agent.version);
  PutU16(out, agent.chip);
  flashproto::PutU32(out, agent.family);
  flashproto::PutU32(out, static_cast<std::uint32_t>(agent.code.size()));
  flashproto::PutU32(out, Crc32(static_cast<UINT>(agent.code.size()), agent.code.data()));
  for (std::size_t i = 0; i < 12; ++i)
    out.push_back(i < agent.name.size() ? static_cast<std::uint8_t>(agent.name[i]) : 0);
  out.insert(out.end(), agent.code.begin(), agent.code.end());
  return out;
}

std::int32_t ParseAgentFile(const std::vector<std::uint8_t>& bytes, AgentFile& out) {
  if (bytes.size() < AGENT_HEADER_SIZE || std::memcmp(bytes.data(), "NVDA", 4) != 0)
    return FLASH_ERR_FORMAT;
  AgentFile a;
  a.version = GetU16(bytes, 4);
  a.chip = GetU16(bytes, 6);
  a.family = flashproto::GetU32(bytes, 8);
  std::uint32_t length = flashproto::GetU32(bytes, 12);
  std::uint32_t crc = flashproto::GetU32(bytes, 16);
  if (a.version != AGENT_FORMAT_VERSION || length == 0 || length > MAX_AGENT_CODE ||
      bytes.size() != AGENT_HEADER_SIZE + length)
    return FLASH_ERR_FORMAT;
  const char* name = reinterpret_cast<const char*>(bytes.data() + 20);
  a.name.assign(name, strnlen(name, 12));
  a.code.assign(bytes.begin() + AGENT_HEADER_SIZE, bytes.end());
  if (Crc32(length, a.code.data()) != crc) return FLASH_ERR_CHECKSUM;
  out = std::move(a);
  return FLASH_OK;
}

std::int32_t ParseScatter(const std::string& text, std::vector<Region>& out) {
  std::vector<Region> regions;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string keyword;
    if (!(words >> keyword) || keyword[0] == '#') continue;
    Region r;
    std::string start, length, extra;
    if (keyword != "REGION" || !(words >> r.name >> start >> length) || (words >> extra) ||
        !ParseNumber(start, r.start) || !ParseNumber(length, r.length) || r.length == 0 ||
        std::uint64_t{r.start} + r.length > 0x100000000ull)
      return FLASH_ERR_FORMAT;
    regions.push_back(r);
  }
  if (regions.empty()) return FLASH_ERR_FORMAT;
  out = std::move(regions);
  return FLASH_OK;
}

std::string DefaultScatterText() {
  return "# Flash layout of the logger: one region for the firmware image.\n"
         "# REGION <name> <start address> <length>\n"
         "REGION ROM 0x00000000 0x000C8000\n";
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > maxBytes) return false;
  in.seekg(0);
  out.resize(static_cast<std::size_t>(size));
  return static_cast<bool>(in.read(reinterpret_cast<char*>(out.data()), size)) || size == 0;
}

}  // namespace flashfiles
