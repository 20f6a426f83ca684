// The per-user registry: keys holding named string and number values, kept
// in a file in the user's configuration folder. Every change is written
// through at once, atomically, so a crash or a full disk keeps the previous
// store. Functions return ERROR_SUCCESS or an error code of LastError.h.
#pragma once

#include <cstdint>

#include "platform/LastError.h"
#include "platform/WinTypes.h"

struct RegKeyHandleTag;
using HKEY = RegKeyHandleTag*;
using REGSAM = DWORD;

// The predefined root keys (always open).
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u}))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u}))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result);

// Opens a key, creating it and its missing parents first.
LONG RegCreateKeyEx(HKEY root, const char* subKey, DWORD reserved, const char* keyClass,
                    DWORD options, REGSAM access, const void* security, HKEY* result,
                    DWORD* disposition);

// Reads a value. With data null only its type and size are given; when the
// buffer is too small, size receives the needed size and ERROR_MORE_DATA.
// A string value's size includes its terminating zero.
LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* size);

// Writes a value (the data's bytes as given, with the type).
LONG RegSetValueEx(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD size);

// Deletes a value; ERROR_FILE_NOT_FOUND when it is not there.
LONG RegDeleteValue(HKEY key, const char* valueName);

LONG RegCloseKey(HKEY key);
