#include "firmware/FirmwareFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "firmware/Crc32.h"
#include "framework/Dialog.h"
#include "platform/OutputFile.h"
#include "res/firmware_ids.h"

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

std::string FirmwareFileMessage(const FirmwareFileError& error) {
  switch (error.kind) {
    case FirmwareFileError::Read:
      return CDialog::LoadString(IDS_FW_FILE_UNREADABLE) + "\n" + error.text;
    case FirmwareFileError::Write:
      return CDialog::LoadString(IDS_FW_IMAGE_UNWRITABLE) + "\n" + error.text;
    case FirmwareFileError::None:
      break;
  }
  return CDialog::LoadString(IDS_FW_FILE_WRONG);
}

BOOL StripFirmwareIntoFolder(const char* firmwarePath, const char* folder, char* tempPath,
                             std::size_t tempRoom, int mode, FirmwareFileError* error) {
  const std::string temp = std::string(folder[0] ? folder : ".") + "/" + FIRMWARE_TEMP_NAME;
  if (!CopyPathBuffer(tempPath, tempRoom, temp)) return FALSE;
  return StripFirmwareImage(firmwarePath, tempPath,
                            mode == 0 ? FirmwareLayout::WithHeader : FirmwareLayout::Headerless,
                            error);
}

namespace {

// Reads the whole chosen file, refusing what is not a regular file (a FIFO
// would block the window for ever) and what cannot be an image (size
// limit). errno is 0 when the file was read but is too large.
bool ReadFirmwareBytes(const std::string& path, std::size_t limit, std::vector<BYTE>& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0;
  if (ok && !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ok = false;
  }
  if (ok && static_cast<std::uint64_t>(st.st_size) > limit) {
    errno = 0;
    ok = false;
  }
  if (ok) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n == 0) break;  // shrunk meanwhile: the CRC test fails
      if (n > 0) done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
  }
  const int err = errno;
  close(fd);
  errno = err;
  return ok;
}

std::string Cause(int err) { return err == EINVAL ? "not a regular file" : std::strerror(err); }

// Writes the image to a new temporary file beside tempPath and renames it
// into place; the rename replaces whatever name sits at tempPath itself and
// never writes through it.
int WriteImageFile(const std::string& tempPath, const BYTE* data, std::size_t size) {
  OutputFile image;
  if (const int err = image.Create(tempPath); err != 0) return err;
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = write(image.Descriptor(), data + done, size - done);
    if (n < 0 && errno != EINTR) return errno;
    if (n == 0) return ENOSPC;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  return image.Commit();
}

}  // namespace

BOOL StripFirmwareImage(const std::string& firmwarePath, const std::string& tempPath,
                        FirmwareLayout layout, FirmwareFileError* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  auto discard = [&] {
    fs::remove(tempPath, ec);
    return FALSE;
  };
  if (error) *error = {};
  // The image must never replace the file it comes from: the name it is
  // renamed to (not what a link there points to) must not be the chosen
  // file's. Another link at that name is only replaced.
  if (tempPath.empty()) return FALSE;
  const fs::path entry =
      fs::weakly_canonical(fs::path(tempPath).parent_path(), ec) / fs::path(tempPath).filename();
  if (!ec && fs::weakly_canonical(firmwarePath, ec) == entry) return FALSE;

  std::vector<BYTE> bytes;
  const std::size_t header = layout == FirmwareLayout::WithHeader ? FIRMWARE_HEADER_SIZE : 0;
  if (!ReadFirmwareBytes(firmwarePath, header + FIRMWARE_MAX_IMAGE + FIRMWARE_CRC_SIZE, bytes)) {
    if (error && errno != 0) *error = {FirmwareFileError::Read, firmwarePath + ": " + Cause(errno)};
    return discard();
  }
  if (bytes.size() < header + FIRMWARE_CRC_SIZE) return discard();
  const std::size_t imageSize = bytes.size() - header - FIRMWARE_CRC_SIZE;
  const BYTE* image = bytes.data() + header;
  const BYTE* stored = image + imageSize;
  const DWORD storedCrc =
      stored[0] | (stored[1] << 8) | (stored[2] << 16) | (DWORD{stored[3]} << 24);
  if (Crc32(static_cast<UINT>(imageSize), image) != storedCrc) return discard();

  if (const int err = WriteImageFile(tempPath, image, imageSize); err != 0) {
    if (error) *error = {FirmwareFileError::Write, tempPath + ": " + Cause(err)};
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
