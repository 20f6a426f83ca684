// CTool's registry values.
#include <cstring>

#include "common/Tool.h"
#include "framework/Strings.h"
#include "platform/LastError.h"

namespace {

constexpr UINT IDS_REGISTRY_KEY = 112;

// Opens root\<base key>\<subkeys of path> and gives the value name.
struct KeyAndName {
  std::string key;
  std::string valueName;
};

KeyAndName Locate(const CTool& tool, const std::string& path) {
  KeyAndName kn{LoadResString(IDS_REGISTRY_KEY), ""};
  tool.SplitRegPath(kn.key, path, kn.valueName);
  return kn;
}

// Reads a value of the expected type into buffer (size bytes). Returns FALSE
// with the last error set on failure.
BOOL QueryValue(const CTool& tool, HKEY root, const std::string& path, DWORD expectedType,
                BYTE* buffer, DWORD& size) {
  KeyAndName kn = Locate(tool, path);
  HKEY key = nullptr;
  LONG result = RegOpenKeyEx(root, kn.key.c_str(), 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return FALSE;
  }
  DWORD type = REG_NONE;
  result = RegQueryValueEx(key, kn.valueName.c_str(), nullptr, &type, buffer, &size);
  RegCloseKey(key);
  // A value too long for the buffer fails as such, whatever its type.
  if (result == ERROR_SUCCESS && type != expectedType) result = ERROR_INVALID_DATA;
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return FALSE;
  }
  return TRUE;
}

BOOL WriteValue(const CTool& tool, HKEY root, const std::string& path, DWORD type, const BYTE* data,
                DWORD size) {
  KeyAndName kn = Locate(tool, path);
  HKEY key = nullptr;
  LONG result = RegCreateKeyEx(root, kn.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return FALSE;
  }
  result = RegSetValueEx(key, kn.valueName.c_str(), 0, type, data, size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return FALSE;
  }
  return TRUE;
}

std::string Join(const std::string& section, const std::string& entry) {
  return section + "\\" + entry;
}

}  // namespace

void CTool::SplitRegPath(std::string& key, const std::string& path, std::string& valueName) const {
  std::size_t last = path.rfind('\\');
  if (last == std::string::npos) {
    valueName = path;
    return;
  }
  if (key.empty() || key.back() != '\\') key += '\\';
  key += path.substr(0, last);
  valueName = path.substr(last + 1);
}

BOOL CTool::GetRegString(HKEY root, const std::string& path, std::string& value) const {
  BYTE buffer[256];
  DWORD size = sizeof buffer;
  if (!QueryValue(*this, root, path, REG_SZ, buffer, size)) return FALSE;
  // A stored text need not end in a zero: it ends at the first zero or at
  // its size.
  const char* text = reinterpret_cast<const char*>(buffer);
  value.assign(text, strnlen(text, size));
  return TRUE;
}

BOOL CTool::SetRegString(HKEY root, const std::string& path, const std::string& value) const {
  return WriteValue(*this, root, path, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                    static_cast<DWORD>(value.size() + 1));
}

BOOL CTool::GetRegDword(HKEY root, const std::string& path, int& value) const {
  BYTE buffer[4];
  DWORD size = sizeof buffer;
  if (!QueryValue(*this, root, path, REG_DWORD, buffer, size)) return FALSE;
  if (size != sizeof buffer) {  // a short number would leave bytes unset
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  DWORD d = static_cast<DWORD>(buffer[0]) | static_cast<DWORD>(buffer[1]) << 8 |
            static_cast<DWORD>(buffer[2]) << 16 | static_cast<DWORD>(buffer[3]) << 24;
  value = static_cast<int>(d);
  return TRUE;
}

BOOL CTool::SetRegDword(HKEY root, const std::string& path, int value) const {
  DWORD d = static_cast<DWORD>(value);
  BYTE buffer[4] = {static_cast<BYTE>(d), static_cast<BYTE>(d >> 8), static_cast<BYTE>(d >> 16),
                    static_cast<BYTE>(d >> 24)};
  return WriteValue(*this, root, path, REG_DWORD, buffer, sizeof buffer);
}

BOOL CTool::GetRegString(HKEY root, const std::string& section, const std::string& entry,
                         std::string& value) const {
  return GetRegString(root, Join(section, entry), value);
}

BOOL CTool::GetRegString(HKEY root, const std::string& section, UINT entryId,
                         std::string& value) const {
  return GetRegString(root, Join(section, LoadResString(entryId)), value);
}

BOOL CTool::SetRegString(HKEY root, const std::string& section, const std::string& entry,
                         const std::string& value) const {
  return SetRegString(root, Join(section, entry), value);
}

BOOL CTool::SetRegString(HKEY root, const std::string& section, UINT entryId,
                         const std::string& value) const {
  return SetRegString(root, Join(section, LoadResString(entryId)), value);
}

BOOL CTool::GetRegDword(HKEY root, const std::string& section, const std::string& entry,
                        int& value) const {
  return GetRegDword(root, Join(section, entry), value);
}

BOOL CTool::GetRegDword(HKEY root, const std::string& section, UINT entryId, int& value) const {
  return GetRegDword(root, Join(section, LoadResString(entryId)), value);
}

BOOL CTool::SetRegDword(HKEY root, const std::string& section, const std::string& entry,
                        int value) const {
  return SetRegDword(root, Join(section, entry), value);
}

BOOL CTool::SetRegDword(HKEY root, const std::string& section, UINT entryId, int value) const {
  return SetRegDword(root, Join(section, LoadResString(entryId)), value);
}
