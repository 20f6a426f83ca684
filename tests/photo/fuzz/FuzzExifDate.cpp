// Fuzz entry: the EXIF date reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <string>

#include "photo/ExifLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ExifByteSource source(std::span<const BYTE>(data, size));
  char text[21];
  std::string message;
  if (ExifReadDateText(source, text, message, "not found")) {
    std::int32_t time = 0;
    ExifDateTextToTime(text, time);
  }
  return 0;
}
