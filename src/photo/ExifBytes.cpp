#include "photo/ExifBytes.h"

#include <cstring>

ExifByteSource::ExifByteSource(std::FILE* file) : m_file(file) {
  if (m_file != nullptr && std::fseek(m_file, 0, SEEK_END) == 0) {
    const long end = std::ftell(m_file);
    m_size = end > 0 ? static_cast<std::uint64_t>(end) : 0;
  }
}

bool ExifByteSource::Read(std::uint64_t pos, void* out, std::size_t count) const {
  if (pos > m_size || count > m_size - pos) return false;
  if (m_file == nullptr) {
    if (count != 0) std::memcpy(out, m_data.data() + pos, count);
    return true;
  }
  if (std::fseek(m_file, static_cast<long>(pos), SEEK_SET) != 0) return false;
  return std::fread(out, 1, count, m_file) == count;
}

bool ExifByteSource::ReadU16(std::uint64_t pos, bool bigEndian, std::uint32_t& value) const {
  BYTE b[2];
  if (!Read(pos, b, 2)) return false;
  value = LoadU16(b, bigEndian);
  return true;
}

bool ExifByteSource::ReadU32(std::uint64_t pos, bool bigEndian, std::uint32_t& value) const {
  BYTE b[4];
  if (!Read(pos, b, 4)) return false;
  value = LoadU32(b, bigEndian);
  return true;
}
