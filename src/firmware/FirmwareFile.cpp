#include "firmware/FirmwareFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "firmware/Crc32.h"

namespace {

// Bounded copy that always terminates.
void CopyText(char* to, std::size_t room, const char* from, std::size_t count) {
  std::size_t n = strnlen(from, count);
  if (n >= room) n = room - 1;
  std::memcpy(to, from, n);
  to[n] = '\0';
}

int DecimalPrefix(const char* text, std::size_t count) {
  char buf[8] = {};
  CopyText(buf, sizeof buf, text, count);
  return std::atoi(buf);
}

bool StartsWith(const char* text, const char* prefix, std::size_t n) {
  return std::strncmp(text, prefix, n) == 0;
}

}  // namespace

bool IsVendorFirmwareName(const std::string& path) {
  const std::size_t len = path.size();
  return len >= 7 && path.compare(len - 7, 3, "VNT") == 0;
}

std::string FolderOfPath(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

BOOL CopyPathBuffer(char* to, std::size_t room, const std::string& text) {
  if (room == 0) return FALSE;
  if (text.size() >= room) {
    to[0] = '\0';
    return FALSE;
  }
  std::memcpy(to, text.c_str(), text.size() + 1);
  return TRUE;
}

BOOL StripFirmwareIntoFolder(const char* firmwarePath, const char* folder, char* tempPath,
                             std::size_t tempRoom, int mode) {
  const std::string temp = std::string(folder[0] ? folder : ".") + "/" + FIRMWARE_TEMP_NAME;
  if (!CopyPathBuffer(tempPath, tempRoom, temp)) return FALSE;
  return StripFirmwareImage(firmwarePath, tempPath,
                            mode == 0 ? FirmwareLayout::WithHeader : FirmwareLayout::Headerless);
}

BOOL StripFirmwareImage(const std::string& firmwarePath, const std::string& tempPath,
                        FirmwareLayout layout) {
  namespace fs = std::filesystem;
  std::error_code ec;
  auto discard = [&] {
    fs::remove(tempPath, ec);
    return FALSE;
  };
  // The image must never replace the file it comes from.
  if (tempPath.empty() || fs::equivalent(firmwarePath, tempPath, ec)) return FALSE;

  std::ifstream in(firmwarePath, std::ios::binary);
  if (!in) return discard();
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  const std::size_t header = layout == FirmwareLayout::WithHeader ? FIRMWARE_HEADER_SIZE : 0;
  if (size < static_cast<std::streamoff>(header + FIRMWARE_CRC_SIZE)) return discard();
  const std::size_t imageSize = static_cast<std::size_t>(size) - header - FIRMWARE_CRC_SIZE;
  if (imageSize > FIRMWARE_MAX_IMAGE) return discard();

  std::vector<BYTE> image(imageSize);
  BYTE stored[4] = {};
  in.seekg(static_cast<std::streamoff>(header));
  in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(imageSize));
  in.read(reinterpret_cast<char*>(stored), 4);
  if (!in) return discard();
  const DWORD storedCrc =
      stored[0] | (stored[1] << 8) | (stored[2] << 16) | (DWORD{stored[3]} << 24);
  if (Crc32(static_cast<UINT>(imageSize), image.data()) != storedCrc) return discard();

  const std::string part = tempPath + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(imageSize));
    out.close();
    if (!out) {
      fs::remove(part, ec);
      return discard();
    }
  }
  fs::rename(part, tempPath, ec);
  if (ec) {
    fs::remove(part, ec);
    return discard();
  }
  return TRUE;
}

BOOL ReadFirmwareHeader(const std::string& firmwarePath, FirmwareFileHeader& header) {
  std::memset(&header, 0, sizeof header);
  std::ifstream in(firmwarePath, std::ios::binary);
  char raw[FIRMWARE_HEADER_SIZE] = {};
  if (!in.read(raw, sizeof raw)) return FALSE;
  CopyText(header.szModel, sizeof header.szModel, raw, FIRMWARE_MODEL_SIZE);
  for (std::size_t n = 0; n < FIRMWARE_FIELD_COUNT; ++n)
    CopyText(header.szField[n], sizeof header.szField[n], raw + FIRMWARE_MODEL_SIZE + 5 * n,
             FIRMWARE_FIELD_SIZE);
  return TRUE;
}

void HeaderFromFileName(const std::string& path, FirmwareFileHeader& header) {
  std::memset(&header, 0, sizeof header);
  const std::size_t len = path.size();
  if (len < 20 || path.compare(len - 20, 3, "710") != 0) return;
  std::strcpy(header.szModel, "R-710");
  std::snprintf(header.szField[0], sizeof header.szField[0], "V%s",
                path.substr(len - 12, 4).c_str());
  std::strcpy(header.szField[1], "V01");
  std::strcpy(header.szField[2], "V02");
}

void NormaliseFirmwareModel(char* model) {
  struct Group {
    const char* prefixes[4];
    std::size_t lengths[4];
    const char* name;
  };
  static const Group groups[] = {
      {{"R710", "R-710", "TX370", nullptr}, {4, 5, 5, 0}, "R-710"},
      {{"R3300D", "R3500", "R-3300D", "R-3500"}, {6, 5, 7, 6}, "R-3300D"},
      {{"TX380", "TX-380", "Roamline38", nullptr}, {5, 6, 10, 0}, "Roamline38"},
  };
  for (const Group& g : groups)
    for (int i = 0; i < 4 && g.prefixes[i]; ++i)
      if (StartsWith(model, g.prefixes[i], g.lengths[i])) {
        std::strcpy(model, g.name);
        break;
      }
}

int FirmwareFileVersion(const char* field0) {
  const std::size_t len = strnlen(field0, 5);
  int major = len > 1 ? DecimalPrefix(field0 + 1, 1) : 0;
  int minor = len > 3 ? DecimalPrefix(field0 + 3, 2) : 0;
  return major * 100 + minor;
}

UINT CompareFirmwareHeader(const FirmwareFileHeader& header, const char* deviceModel,
                           const char* hardwareText, const char* firmwareText, BOOL forced) {
  if (std::strncmp(deviceModel, header.szModel, 10) != 0) return 435;
  bool hardware = false;
  for (int n = 1; n <= 5 && !hardware; ++n)
    hardware = std::strncmp(hardwareText, header.szField[n], 5) == 0;
  if (!hardware) return 436;
  const int file = FirmwareFileVersion(header.szField[0]);
  const int logger = std::atoi(firmwareText);
  if (file > logger) return forced ? 116 : 437;
  return file == logger ? 438 : 439;
}
