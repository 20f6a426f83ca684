// Build-time tool: writes the download-agent files, the scatter file and a
// sample firmware file for the simulated logger into the given folder.
//
//   make_flash_files <folder>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/FirmwareFileFormat.h"
#include "flashlib/FlashFiles.h"
#include "flashlib/FlashLibApi.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "make_flash_files: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

// Agent code: any bytes do; a recognisable pattern helps when reading traces.
std::vector<std::uint8_t> AgentCode(std::uint16_t chip, std::size_t size) {
  std::vector<std::uint8_t> code(size);
  for (std::size_t i = 0; i < size; ++i)
    code[i] = static_cast<std::uint8_t>((i * 31 + chip) ^ (i >> 8));
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_flash_files <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;
  for (auto [chip, family] : {std::pair<std::uint16_t, std::uint32_t>{3318, FLASH_FAMILY_MT3318},
                              {3329, FLASH_FAMILY_MT3329}}) {
    flashfiles::AgentFile agent;
    agent.version = flashfiles::AGENT_FORMAT_VERSION;
    agent.chip = chip;
    agent.family = family;
    agent.name = "MT" + std::to_string(chip);
    agent.code = AgentCode(chip, 12 * 1024);
    auto bytes = flashfiles::BuildAgentFile(agent);
    ok &= WriteFile(dir + "/DA_MT" + std::to_string(chip) + "_NAVREL.bin", bytes);
    ok &= WriteFile(dir + "/MTK_AllInOne_DA_MT" + std::to_string(chip) + "_NAVREL.bin", bytes);
  }
  const std::string scatter = flashfiles::DefaultScatterText();
  ok &= WriteFile(dir + "/scat.txt", std::vector<std::uint8_t>(scatter.begin(), scatter.end()));

  // Sample firmware for the simulated loggers (R-710 and Roamline38): the
  // simulated logger takes its new version from the "FWVER=" mark in the
  // image.
  std::string text = "NAVREL SAMPLE FIRMWARE FWVER=105 ";
  std::vector<std::uint8_t> image(64 * 1024);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  std::copy(text.begin(), text.end(), image.begin());
  ok &= WriteFile(dir + "/R710_SAMPLE_V1.05_VNT.bin",
                  BuildFirmwareFile("R-710", {"V1.05", "V01", "V02"}, image));
  ok &= WriteFile(dir + "/TX380_SAMPLE_V1.05_VNT.bin",
                  BuildFirmwareFile("TX380", {"V1.05", "V01", "V02"}, image));
  return ok ? 0 : 1;
}
