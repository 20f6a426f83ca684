// The files the flashing library reads: download-agent files and the
// scatter file.
//
// Download-agent file (all numbers little-endian):
//   0  4  "NVDA"
//   4  2  format version (1)
//   6  2  chip number (3318 or 3329)
//   8  4  chip family (FLASH_FAMILY_*)
//  12  4  agent code length n
//  16  4  CRC-32 of the agent code
//  20 12  agent name, NUL-padded
//  32  n  agent code
//
// Scatter file ("scat.txt"): text lines; blank lines and lines starting with
// '#' are skipped; every other line is
//   REGION <name> <start address> <length>
// with numbers in decimal or 0x-hexadecimal. Regions are numbered from 0 in
// the order given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace flashfiles {

inline constexpr std::uint16_t AGENT_FORMAT_VERSION = 1;
inline constexpr std::size_t AGENT_HEADER_SIZE = 32;
inline constexpr std::size_t MAX_AGENT_CODE = 256 * 1024;

struct AgentFile {
  std::uint16_t version = 0;
  std::uint16_t chip = 0;
  std::uint32_t family = 0;
  std::string name;
  std::vector<std::uint8_t> code;
};

struct Region {
  std::string name;
  std::uint32_t start = 0;
  std::uint32_t length = 0;
};

std::vector<std::uint8_t> BuildAgentFile(const AgentFile& agent);

// FLASH_OK, or FLASH_ERR_FORMAT / FLASH_ERR_CHECKSUM.
std::int32_t ParseAgentFile(const std::vector<std::uint8_t>& bytes, AgentFile& out);

// FLASH_OK, or FLASH_ERR_FORMAT when a line is malformed or no region is given.
std::int32_t ParseScatter(const std::string& text, std::vector<Region>& out);

// The scatter file shipped with the program.
std::string DefaultScatterText();

// Whole file into memory; false when it cannot be read or exceeds maxBytes.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes);

}  // namespace flashfiles
