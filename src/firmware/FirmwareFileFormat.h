// Layout of a firmware file: a 65-byte header (model name and eleven 5-byte
// fields), the image, and the CRC-32 of the image (little-endian). A
// headerless file is the image followed by its CRC-32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t FIRMWARE_HEADER_SIZE = 65;
inline constexpr std::size_t FIRMWARE_MODEL_SIZE = 10;
inline constexpr std::size_t FIRMWARE_FIELD_SIZE = 5;
inline constexpr std::size_t FIRMWARE_FIELD_COUNT = 11;
inline constexpr std::size_t FIRMWARE_CRC_SIZE = 4;
// The largest image the update accepts.
inline constexpr std::size_t FIRMWARE_MAX_IMAGE = 819200;

// Builds a firmware file. fields[0] is the firmware version ("V1.23"),
// fields[1..10] the adapted hardware versions; texts longer than their slot
// are cut. Without a model and fields (withHeader false) the file is
// headerless.
std::vector<std::uint8_t> BuildFirmwareFile(const std::string& model,
                                            const std::vector<std::string>& fields,
                                            const std::vector<std::uint8_t>& image,
                                            bool withHeader = true);
