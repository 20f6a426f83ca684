// Version blocks: the standard tree of a version resource (fixed file
// information, "\VarFileInfo\Translation", "\StringFileInfo\llllcccc\Key"),
// built from a description and queried by path.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BDu;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000u;
constexpr size_t VS_FIXEDFILEINFO_SIZE = 52;

// What a version block holds; versions are written a.b.c.d with a first.
struct VersionBlockContent {
  WORD fileVersion[4] = {0, 0, 0, 0};
  WORD productVersion[4] = {0, 0, 0, 0};
  DWORD fileFlagsMask = 0x3F;
  DWORD fileFlags = 0;
  DWORD fileOS = 0x40004;  // NT, 32-bit windows
  DWORD fileType = 1;      // application
  DWORD fileSubtype = 0;
  DWORD fileDateMS = 0;
  DWORD fileDateLS = 0;
  std::vector<std::pair<WORD, WORD>> translations;  // (language id, code page)
  struct StringTable {
    WORD language = 0;
    WORD codePage = 0;
    std::vector<std::pair<std::string, std::string>> strings;  // key, UTF-8 value
  };
  std::vector<StringTable> stringTables;
};

// The block bytes in the layout of a version resource (UTF-16 keys and texts).
std::vector<BYTE> BuildVersionBlock(const VersionBlockContent& content);

// Looks up subBlock in a version block: "\" gives the fixed file information,
// "\VarFileInfo\Translation" the translation table, "\StringFileInfo\040904B0\Key"
// a text, returned as UTF-8 without terminator. Keys match without regard to
// case. Malformed blocks give FALSE; nothing outside the block is read.
BOOL QueryVersionValue(const std::vector<BYTE>& block, const std::string& subBlock,
                       std::vector<BYTE>& value);
