// Bounds-checked access to the bytes of a JPEG file: every read states its
// position and length and fails instead of reaching past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "platform/WinTypes.h"

// Reads at absolute positions from an open file or from a memory block.
class ExifByteSource {
 public:
  explicit ExifByteSource(std::FILE* file);
  explicit ExifByteSource(std::span<const BYTE> data) : m_data(data), m_size(data.size()) {}

  std::uint64_t Size() const { return m_size; }
  // True when [pos, pos + count) lies inside the source and was read.
  bool Read(std::uint64_t pos, void* out, std::size_t count) const;
  bool ReadU16(std::uint64_t pos, bool bigEndian, std::uint32_t& value) const;
  bool ReadU32(std::uint64_t pos, bool bigEndian, std::uint32_t& value) const;

 private:
  std::FILE* m_file = nullptr;
  std::span<const BYTE> m_data;
  std::uint64_t m_size = 0;
};

// Byte-order helpers on raw memory the caller has already bounds-checked.
inline std::uint32_t LoadU16(const BYTE* p, bool bigEndian) {
  return bigEndian ? (std::uint32_t{p[0]} << 8 | p[1]) : (std::uint32_t{p[1]} << 8 | p[0]);
}
inline std::uint32_t LoadU32(const BYTE* p, bool bigEndian) {
  return bigEndian ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                      std::uint32_t{p[2]} << 8 | p[3])
                   : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                      std::uint32_t{p[1]} << 8 | p[0]);
}
inline void StoreU16(BYTE* p, std::uint32_t v, bool bigEndian) {
  if (bigEndian) {
    p[0] = BYTE(v >> 8), p[1] = BYTE(v);
  } else {
    p[0] = BYTE(v), p[1] = BYTE(v >> 8);
  }
}
inline void StoreU32(BYTE* p, std::uint32_t v, bool bigEndian) {
  if (bigEndian) {
    p[0] = BYTE(v >> 24), p[1] = BYTE(v >> 16), p[2] = BYTE(v >> 8), p[3] = BYTE(v);
  } else {
    p[0] = BYTE(v), p[1] = BYTE(v >> 8), p[2] = BYTE(v >> 16), p[3] = BYTE(v >> 24);
  }
}
