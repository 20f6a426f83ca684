#include "firmware/FirmwareFileFormat.h"

#include "firmware/Crc32.h"

std::vector<std::uint8_t> BuildFirmwareFile(const std::string& model,
                                            const std::vector<std::string>& fields,
                                            const std::vector<std::uint8_t>& image,
                                            bool withHeader) {
  std::vector<std::uint8_t> out;
  if (withHeader) {
    out.assign(FIRMWARE_HEADER_SIZE, 0);
    model.copy(reinterpret_cast<char*>(out.data()), FIRMWARE_MODEL_SIZE);
    for (std::size_t n = 0; n < fields.size() && n < FIRMWARE_FIELD_COUNT; ++n)
      fields[n].copy(reinterpret_cast<char*>(out.data()) + FIRMWARE_MODEL_SIZE + 5 * n,
                     FIRMWARE_FIELD_SIZE);
  }
  out.insert(out.end(), image.begin(), image.end());
  DWORD crc = Crc32(static_cast<UINT>(image.size()), image.data());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  return out;
}
