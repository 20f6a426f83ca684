#include "platform/Registry.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ConfigFolder.h"
#include "platform/RegistryStore.h"

namespace {

struct OpenKey {
  std::string path;
  REGSAM access;
};

std::mutex g_mutex;  // guards the handle table and each load-change-save
std::map<std::uintptr_t, OpenKey> g_handles;
std::uintptr_t g_nextHandle = 0x1000;

const char* RootName(HKEY root) {
  if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  return nullptr;
}

LONG ErrnoToError(int err) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_WRITE_FAULT;
  }
}

// Resolves a handle (a root or an opened key) to its key path. Caller holds g_mutex.
bool HandlePath(HKEY key, std::string& path, REGSAM* access = nullptr) {
  if (const char* root = RootName(key)) {
    path = root;
    if (access) *access = KEY_ALL_ACCESS;
    return true;
  }
  auto it = g_handles.find(reinterpret_cast<std::uintptr_t>(key));
  if (it == g_handles.end()) return false;
  path = it->second.path;
  if (access) *access = it->second.access;
  return true;
}

// Appends the components of subKey to base; empty components are skipped.
// Control characters are refused, as they cannot be stored.
bool JoinPath(const std::string& base, const char* subKey, std::string& path,
              std::vector<std::string>* prefixes = nullptr) {
  path = base;
  if (prefixes) prefixes->clear();
  if (!subKey) return true;
  std::string part;
  for (const char* p = subKey;; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (!part.empty()) {
        path += '\\';
        path += part;
        if (prefixes) prefixes->push_back(path);
        part.clear();
      }
      if (*p == '\0') break;
    } else if (static_cast<unsigned char>(*p) < 0x20) {
      return false;
    } else {
      part += *p;
    }
  }
  return true;
}

HKEY NewHandle(const std::string& path, REGSAM access) {
  std::uintptr_t id = g_nextHandle;
  g_nextHandle += 4;
  g_handles[id] = OpenKey{path, access};
  return reinterpret_cast<HKEY>(id);
}

std::string ValueNameOf(const char* valueName) { return valueName ? valueName : ""; }

}  // namespace

LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  std::string base, path;
  if (!HandlePath(root, base)) return ERROR_INVALID_HANDLE;
  if (!JoinPath(base, subKey, path)) return ERROR_INVALID_PARAMETER;
  if (path != base || !RootName(root)) {
    registry::Store store;
    bool writable = true;
    int err = registry::Load(store, writable);
    if (err != 0) return ErrnoToError(err);
    if (!store.FindKey(path)) return ERROR_FILE_NOT_FOUND;
  }
  *result = NewHandle(path, access);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY root, const char* subKey, DWORD, const char*, DWORD, REGSAM access,
                    const void*, HKEY* result, DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  std::string base, path;
  std::vector<std::string> prefixes;
  if (!HandlePath(root, base)) return ERROR_INVALID_HANDLE;
  if (!JoinPath(base, subKey, path, &prefixes)) return ERROR_INVALID_PARAMETER;
  ConfigFileLock fileLock("registry.lock");
  registry::Store store;
  bool writable = true;
  int err = registry::Load(store, writable);
  if (err != 0) return ErrnoToError(err);
  bool created = false;
  for (const std::string& prefix : prefixes) {
    if (!store.FindKey(prefix)) {
      store.keys.push_back(registry::Key{prefix, {}});
      created = true;
    }
  }
  if (created) {
    if (!writable) return ERROR_ACCESS_DENIED;
    if (int saveErr = registry::Save(store); saveErr != 0) return ErrnoToError(saveErr);
  }
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(path, access);
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data,
                     DWORD* size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  std::string path;
  if (!HandlePath(key, path)) return ERROR_INVALID_HANDLE;
  registry::Store store;
  bool writable = true;
  if (int err = registry::Load(store, writable); err != 0) return ErrnoToError(err);
  registry::Key* k = store.FindKey(path);
  if (!k) return ERROR_FILE_NOT_FOUND;
  registry::Value* v = registry::Store::FindValue(*k, ValueNameOf(valueName));
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  DWORD needed = static_cast<DWORD>(v->data.size());
  if (!size) return ERROR_SUCCESS;
  if (!data) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, v->data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data,
                   DWORD size) {
  if (!data && size != 0) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  std::string path;
  REGSAM access = 0;
  if (!HandlePath(key, path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::string name = ValueNameOf(valueName);
  if (name.find_first_of("\r\n") != std::string::npos) return ERROR_INVALID_PARAMETER;
  ConfigFileLock fileLock("registry.lock");
  registry::Store store;
  bool writable = true;
  if (int err = registry::Load(store, writable); err != 0) return ErrnoToError(err);
  if (!writable) return ERROR_ACCESS_DENIED;
  registry::Key* k = store.FindKey(path);
  if (!k) {
    if (path.find('\\') == std::string::npos) {  // a root key: always there
      store.keys.push_back(registry::Key{path, {}});
      k = &store.keys.back();
    } else {
      return ERROR_FILE_NOT_FOUND;  // deleted by another process meanwhile
    }
  }
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (registry::Value* v = registry::Store::FindValue(*k, name)) {
    v->type = type;
    v->data = std::move(bytes);
  } else {
    k->values.push_back(registry::Value{name, type, std::move(bytes)});
  }
  return ErrnoToError(registry::Save(store));
}

LONG RegDeleteValue(HKEY key, const char* valueName) {
  std::lock_guard lock(g_mutex);
  std::string path;
  REGSAM access = 0;
  if (!HandlePath(key, path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  ConfigFileLock fileLock("registry.lock");
  registry::Store store;
  bool writable = true;
  if (int err = registry::Load(store, writable); err != 0) return ErrnoToError(err);
  registry::Key* k = store.FindKey(path);
  if (!k) return ERROR_FILE_NOT_FOUND;
  std::string name = ValueNameOf(valueName);
  for (auto it = k->values.begin(); it != k->values.end(); ++it) {
    if (registry::EqualNoCase(it->name, name)) {
      if (!writable) return ERROR_ACCESS_DENIED;
      k->values.erase(it);
      return ErrnoToError(registry::Save(store));
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

LONG RegCloseKey(HKEY key) {
  if (RootName(key)) return ERROR_SUCCESS;
  std::lock_guard lock(g_mutex);
  return g_handles.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS
                                                                : ERROR_INVALID_HANDLE;
}
