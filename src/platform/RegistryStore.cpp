#include "platform/RegistryStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/AtomicFile.h"
#include "platform/ConfigFolder.h"
#include "platform/Trace.h"

namespace registry {

namespace {

constexpr const char* kHeader = "NAVREL REGISTRY 1";
constexpr DWORD kRegSz = 1;
constexpr DWORD kRegDword = 4;

std::filesystem::path StorePath() { return GetConfigFolder() / "registry"; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendQuoted(std::string& out, const std::string& text) {
  static const char* hex = "0123456789abcdef";
  out += '"';
  for (unsigned char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text at line[pos]; pos ends after the closing quote.
bool ReadQuoted(const std::string& line, std::size_t& pos, std::string& text) {
  if (pos >= line.size() || line[pos] != '"') return false;
  text.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++pos >= line.size()) return false;
    c = line[pos];
    if (c == '\\' || c == '"') {
      text += c;
    } else if (c == 'x' && pos + 2 < line.size()) {
      int hi = HexDigit(line[pos + 1]), lo = HexDigit(line[pos + 2]);
      if (hi < 0 || lo < 0) return false;
      text += static_cast<char>(hi * 16 + lo);
      pos += 2;
    } else {
      return false;
    }
  }
  return false;
}

bool IsPlainString(const std::string& data) {
  return !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1;
}

void AppendValue(std::string& out, const Value& v) {
  AppendQuoted(out, v.name);
  out += '=';
  char buf[16];
  if (v.type == kRegSz && IsPlainString(v.data)) {
    AppendQuoted(out, v.data.substr(0, v.data.size() - 1));
  } else if (v.type == kRegDword && v.data.size() == 4) {
    DWORD d = 0;
    for (int i = 3; i >= 0; --i) d = (d << 8) | static_cast<unsigned char>(v.data[i]);
    std::snprintf(buf, sizeof buf, "%08x", d);
    out += "dword:";
    out += buf;
  } else {
    std::snprintf(buf, sizeof buf, "%x", v.type);
    out += "hex(";
    out += buf;
    out += "):";
    for (std::size_t i = 0; i < v.data.size(); ++i) {
      std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "", static_cast<unsigned char>(v.data[i]));
      out += buf;
    }
  }
  out += '\n';
}

bool ParseValueData(const std::string& line, std::size_t pos, Value& v) {
  if (pos < line.size() && line[pos] == '"') {
    std::string text;
    if (!ReadQuoted(line, pos, text) || pos != line.size()) return false;
    v.type = kRegSz;
    v.data = text + '\0';
    return true;
  }
  if (line.compare(pos, 6, "dword:") == 0) {
    pos += 6;
    if (line.size() - pos != 8) return false;
    DWORD d = 0;
    for (; pos < line.size(); ++pos) {
      int h = HexDigit(line[pos]);
      if (h < 0) return false;
      d = (d << 4) | static_cast<DWORD>(h);
    }
    v.type = kRegDword;
    v.data.assign(4, '\0');
    for (int i = 0; i < 4; ++i) v.data[i] = static_cast<char>((d >> (8 * i)) & 0xff);
    return true;
  }
  if (line.compare(pos, 4, "hex(") == 0) {
    pos += 4;
    std::size_t close = line.find("):", pos);
    if (close == std::string::npos || close == pos || close - pos > 8) return false;
    DWORD type = 0;
    for (; pos < close; ++pos) {
      int h = HexDigit(line[pos]);
      if (h < 0) return false;
      type = (type << 4) | static_cast<DWORD>(h);
    }
    pos = close + 2;
    v.type = type;
    v.data.clear();
    while (pos < line.size()) {
      if (!v.data.empty()) {
        if (line[pos] != ',') return false;
        ++pos;
      }
      if (pos + 2 > line.size()) return false;
      int hi = HexDigit(line[pos]), lo = HexDigit(line[pos + 1]);
      if (hi < 0 || lo < 0) return false;
      v.data += static_cast<char>(hi * 16 + lo);
      pos += 2;
    }
    return true;
  }
  return false;
}

std::string DamagedName() {
  char stamp[32];
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  return std::string("registry.damaged-") + stamp;
}

}  // namespace

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

Key* Store::FindKey(const std::string& path) {
  for (Key& k : keys)
    if (EqualNoCase(k.path, path)) return &k;
  return nullptr;
}

Value* Store::FindValue(Key& key, const std::string& name) {
  for (Value& v : key.values)
    if (EqualNoCase(v.name, name)) return &v;
  return nullptr;
}

std::string Serialize(const Store& store) {
  std::string out = kHeader;
  out += '\n';
  for (const Key& k : store.keys) {
    out += '[';
    out += k.path;
    out += "]\n";
    for (const Value& v : k.values) AppendValue(out, v);
  }
  return out;
}

bool Parse(const std::string& text, Store& store, std::string& reason) {
  store.keys.clear();
  std::size_t start = 0;
  int lineNo = 0;
  Key* current = nullptr;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNo == 1) {
      if (line != kHeader) {
        reason = "missing header";
        return false;
      }
      continue;
    }
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3 || line.find('\0') != std::string::npos) {
        reason = "bad key line " + std::to_string(lineNo);
        return false;
      }
      std::string path = line.substr(1, line.size() - 2);
      current = store.FindKey(path);
      if (!current) {
        store.keys.push_back(Key{path, {}});
        current = &store.keys.back();
      }
      continue;
    }
    Value v;
    std::size_t pos = 0;
    if (!current || !ReadQuoted(line, pos, v.name) || pos >= line.size() || line[pos] != '=' ||
        !ParseValueData(line, pos + 1, v)) {
      reason = "bad value line " + std::to_string(lineNo);
      return false;
    }
    if (Value* existing = Store::FindValue(*current, v.name))
      *existing = std::move(v);
    else
      current->values.push_back(std::move(v));
  }
  if (lineNo == 0) {
    reason = "empty file";
    return false;
  }
  return true;
}

int Load(Store& store, bool& writable) {
  writable = true;
  store.keys.clear();
  std::string text;
  std::filesystem::path path = StorePath();
  int err = ReadWholeFile(path, text);
  if (err == ENOENT) return 0;
  if (err != 0) {
    writable = false;  // never replace a file that could not be read
    return err;
  }
  std::string reason;
  if (Parse(text, store, reason)) return 0;
  store.keys.clear();
  std::filesystem::path aside = path.parent_path() / DamagedName();
  for (int n = 1; std::filesystem::exists(aside) && n < 100; ++n)
    aside = path.parent_path() / (DamagedName() + "." + std::to_string(n));
  if (rename(path.c_str(), aside.c_str()) != 0) {
    int renameErr = errno;
    if (renameErr == ENOENT) return 0;  // another reader has just set it aside
    TraceOutput("navrel: the registry file %s is damaged (%s) and could not be moved aside: %s\n",
                path.c_str(), reason.c_str(), std::strerror(renameErr));
    writable = false;
    return 0;
  }
  TraceOutput("navrel: the registry file %s is damaged (%s); it was moved to %s\n", path.c_str(),
              reason.c_str(), aside.c_str());
  return 0;
}

int Save(const Store& store) {
  if (!EnsureConfigFolder()) return errno;
  return WriteFileAtomically(StorePath(), Serialize(store));
}

}  // namespace registry
