#include "sim/SimFirmwareState.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/AtomicFile.h"

namespace sim {

namespace {

const char* ModelKey(Model model) {
  switch (model) {
    case Model::R710:
      return "R710";
    case Model::TX380:
      return "TX380";
    case Model::R3500:
      return "R3500";
    case Model::R3300D:
      return "R3300D";
  }
  return "unknown";
}

bool IsVersion(const std::string& text) {
  return text.size() == 3 && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::filesystem::path FirmwareStateFile(Model model) {
  std::filesystem::path folder;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
    folder = state;
  else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    folder = std::filesystem::path(home) / ".local" / "state";
  else
    folder = std::filesystem::temp_directory_path();
  return folder / "navrel-sim" / (std::string(ModelKey(model)) + ".firmware");
}

void RestoreFirmwareVersion(SimLogger& logger) {
  std::string text;
  if (ReadWholeFile(FirmwareStateFile(logger.GetModel()), text, 64) != 0) return;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (IsVersion(text)) logger.SetVersions(text, logger.Hardware());
}

bool KeepFirmwareVersion(const SimLogger& logger) {
  const std::filesystem::path file = FirmwareStateFile(logger.GetModel());
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  return WriteFileAtomically(file, logger.Firmware() + "\n", 0644) == 0;
}

}  // namespace sim
