// The registry's file: the keys and their values, its text form, and loading
// and saving it in the configuration folder.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace registry {

struct Value {
  std::string name;
  DWORD type = 0;
  std::string data;  // raw bytes as written
};

struct Key {
  std::string path;  // "HKEY_CURRENT_USER\Software\Vanto\R710"
  std::vector<Value> values;
};

struct Store {
  std::vector<Key> keys;

  // Names compare without regard to ASCII case, as key and value names do.
  Key* FindKey(const std::string& path);
  static Value* FindValue(Key& key, const std::string& name);
};

// The text form; Parse returns false (and a reason) for a damaged text.
std::string Serialize(const Store& store);
bool Parse(const std::string& text, Store& store, std::string& reason);

// Loads the store file; a missing file gives an empty store. A damaged file
// is reported and renamed aside ("registry.damaged-<time>") so that it is
// never overwritten; when it cannot be moved, writable is false.
// Returns an errno (0 on success).
int Load(Store& store, bool& writable);

// Replaces the store file atomically. Returns 0 or an errno.
int Save(const Store& store);

bool EqualNoCase(const std::string& a, const std::string& b);

}  // namespace registry
