// Tests of a chosen firmware file: name, CRC with and without header, the
// header's model, hardware and version against the identified logger.
#pragma once

#include <string>

#include "firmware/FirmwareFileFormat.h"
#include "platform/WinTypes.h"

// The header as held during one test; every text zero-terminated.
struct FirmwareFileHeader {
  char szModel[20];
  char szField[FIRMWARE_FIELD_COUNT][12];  // 0: firmware version, 1..10: hardware versions
};

// Name of the temporary image written beside the chosen file.
inline constexpr const char* FIRMWARE_TEMP_NAME = "Vanto_FW_Temp.bin";

// The maker's mark: "VNT" just before the last four characters (".bin").
bool IsVendorFirmwareName(const std::string& path);

// The path up to (not including) its last separator; empty without one.
std::string FolderOfPath(const std::string& path);

enum class FirmwareLayout { WithHeader = 0, Headerless = 1 };

// Copies a path into a page's fixed path buffer; FALSE (buffer emptied) when
// it does not fit.
BOOL CopyPathBuffer(char* to, std::size_t room, const std::string& text);
template <std::size_t N>
BOOL CopyPathBuffer(char (&to)[N], const std::string& text) {
  return CopyPathBuffer(to, N, text);
}

// Why a firmware file failed other than by its content: the chosen file
// could not be read, or the temporary image not written. text is
// "<file>: <cause>".
struct FirmwareFileError {
  enum Kind { None, Read, Write } kind = None;
  std::string text;
};

// The message for a file that failed: text 415 when its content is wrong,
// else that the file cannot be read (or the image written), naming the file
// and the cause.
std::string FirmwareFileMessage(const FirmwareFileError& error);

// The step both pages run for Select File / Download: tempPath := folder
// (or the current folder) + "/Vanto_FW_Temp.bin", then StripFirmwareImage.
// FALSE when the path does not fit tempPath or the image test fails.
BOOL StripFirmwareIntoFolder(const char* firmwarePath, const char* folder, char* tempPath,
                             std::size_t tempRoom, int mode, FirmwareFileError* error = nullptr);

// Checks the stored CRC of the image in the given layout and, when it
// matches, writes the bare image to tempPath (through a temporary file
// created exclusively beside it and renamed into place, so a failed write
// never leaves a partial image and nothing planted at a temporary name is
// written through). Returns FALSE and removes tempPath when the file is
// unreadable, too short, too large, its CRC differs, tempPath is the chosen
// file itself, or the image cannot be written; error then tells a file that
// could not be read or written from one whose content is wrong.
BOOL StripFirmwareImage(const std::string& firmwarePath, const std::string& tempPath,
                        FirmwareLayout layout, FirmwareFileError* error = nullptr);

// Reads the model name and the eleven fields of a file with header.
BOOL ReadFirmwareHeader(const std::string& firmwarePath, FirmwareFileHeader& header);

// The header of a headerless file, taken from its name: an R710 file named
// ..._V1.23_VNT.bin gets model "R-710", firmware V1.23 and hardware V01, V02.
// Other names leave every field empty.
void HeaderFromFileName(const std::string& path, FirmwareFileHeader& header);

// Maps the model spellings of the three logger families onto the names that
// the identification shows ("R-710", "R-3300D", "Roamline38").
void NormaliseFirmwareModel(char* model);

// Version number of field 0: "V1.23" gives 123.
int FirmwareFileVersion(const char* field0);

// Verdict string id for the header against the identified logger texts:
// 435 model differs, 436 no hardware field 1..5 matches, else 437/116 newer
// (116 in the forced mode), 438 same, 439 older.
UINT CompareFirmwareHeader(const FirmwareFileHeader& header, const char* deviceModel,
                           const char* hardwareText, const char* firmwareText, BOOL forced);

// True when the verdict lets the update run.
inline bool VerdictAllowsUpdate(UINT verdict) { return verdict != 435 && verdict != 436; }
