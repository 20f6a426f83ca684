// The version layer: finds the version block of an executable file (the
// version resource of a Windows PE image, or the block this program embeds
// in its own executable) and answers queries into it.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

using HMODULE = void*;

// Name of the section in which an executable of this project carries its block.
inline constexpr const char* kVersionSectionName = ".navrel_version";

// The version resource (type 16) of a PE image; FALSE when there is none or
// the image is malformed.
BOOL FindPeVersionResource(const std::vector<BYTE>& image, std::vector<BYTE>& block);

// The contents of a named section of an ELF image; FALSE when absent.
BOOL FindElfSection(const std::vector<BYTE>& image, const std::string& name,
                    std::vector<BYTE>& contents);

// Size of the version block of a file, 0 when the file has none.
DWORD GetFileVersionInfoSize(const char* file, DWORD* handle);
// Copies the version block of a file into data (at most len bytes).
BOOL GetFileVersionInfo(const char* file, DWORD handle, DWORD len, void* data);

// Path of a module's file; NULL is the running program. Returns the length
// copied (truncated to size - 1 and terminated), 0 on failure.
DWORD GetModuleFileName(HMODULE module, char* name, DWORD size);

// Language id of the user's locale (en_US 0x0409, de_DE 0x0407, zh_TW 0x0404, ...),
// from LC_ALL, LC_MESSAGES or LANG; 0x0409 when none names a known language.
WORD GetUserDefaultLangID();
