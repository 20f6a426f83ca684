// Version block layout: every node is
//   WORD length (node with its children), WORD value length, WORD type (1 text, 0 binary),
//   UTF-16 key with terminator, padding to 4 bytes, value, padding to 4 bytes, children.
#include "ui/VersionBlock.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

struct Node {
  std::string key;
  bool text = false;
  std::vector<BYTE> value;  // binary bytes, or UTF-16 text with terminator
  WORD valueLength = 0;     // bytes for binary values, characters for texts
  std::vector<Node> children;
};

void PutWord(std::vector<BYTE>& out, size_t at, WORD w) {
  out[at] = static_cast<BYTE>(w & 0xFF);
  out[at + 1] = static_cast<BYTE>(w >> 8);
}

void PutDword(std::vector<BYTE>& out, DWORD d) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(d >> (8 * i)));
}

void Align4(std::vector<BYTE>& out) {
  while (out.size() % 4) out.push_back(0);
}

// UTF-8 to UTF-16 code units; invalid bytes become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    size_t n = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c >> 5) == 6 && i + 1 < s.size()) {
      cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
      n = 2;
    } else if ((c >> 4) == 14 && i + 2 < s.size()) {
      cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
      n = 3;
    } else if ((c >> 3) == 30 && i + 3 < s.size()) {
      cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) |
           (s[i + 3] & 0x3F);
      n = 4;
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16Units(std::vector<BYTE>& out, const std::u16string& s) {
  for (char16_t u : s) {
    out.push_back(static_cast<BYTE>(u & 0xFF));
    out.push_back(static_cast<BYTE>(u >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

void Write(std::vector<BYTE>& out, const Node& node) {
  Align4(out);
  size_t start = out.size();
  out.resize(start + 6);
  PutWord(out, start + 2, node.valueLength);
  PutWord(out, start + 4, node.text ? 1 : 0);
  AppendUtf16Units(out, Utf8ToUtf16(node.key));
  Align4(out);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const Node& child : node.children) Write(out, child);
  PutWord(out, start, static_cast<WORD>(out.size() - start));
}

Node TextNode(const std::string& key, const std::string& value) {
  Node n;
  n.key = key;
  n.text = true;
  std::u16string units = Utf8ToUtf16(value);
  AppendUtf16Units(n.value, units);
  n.valueLength = static_cast<WORD>(units.size() + 1);
  return n;
}

std::string Hex4(WORD w) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", w);
  return buf;
}

// One parsed node: where its value and children lie inside the block.
struct View {
  size_t end = 0;  // end of the node
  std::u16string key;
  bool text = false;
  size_t valueAt = 0;
  size_t valueBytes = 0;
  size_t childrenAt = 0;
};

WORD GetWord(const std::vector<BYTE>& b, size_t at) {
  return static_cast<WORD>(b[at] | (b[at + 1] << 8));
}

size_t Up4(size_t v) { return (v + 3) & ~size_t{3}; }

bool Parse(const std::vector<BYTE>& b, size_t at, size_t limit, View& v) {
  if (at + 6 > limit) return false;
  size_t length = GetWord(b, at);
  if (length < 6 || at + length > limit) return false;
  v.end = at + length;
  size_t valueLength = GetWord(b, at + 2);
  v.text = GetWord(b, at + 4) == 1;
  size_t p = at + 6;
  v.key.clear();
  for (;; p += 2) {
    if (p + 2 > v.end) return false;
    WORD u = GetWord(b, p);
    if (u == 0) break;
    v.key.push_back(static_cast<char16_t>(u));
  }
  p = Up4(p + 2);
  v.valueAt = std::min(p, v.end);
  size_t bytes = v.text ? valueLength * 2 : valueLength;
  v.valueBytes = std::min(bytes, v.end - v.valueAt);
  v.childrenAt = std::min(Up4(v.valueAt + v.valueBytes), v.end);
  return true;
}

bool SameKey(const std::u16string& a, const std::string& b) {
  std::u16string wb = Utf8ToUtf16(b);
  if (a.size() != wb.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = wb[i];
    if (x < 0x80) x = static_cast<char16_t>(std::tolower(x));
    if (y < 0x80) y = static_cast<char16_t>(std::tolower(y));
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

}  // namespace

std::vector<BYTE> BuildVersionBlock(const VersionBlockContent& content) {
  Node root;
  root.key = "VS_VERSION_INFO";
  auto ms = [](const WORD v[4]) { return (DWORD{v[0]} << 16) | v[1]; };
  auto ls = [](const WORD v[4]) { return (DWORD{v[2]} << 16) | v[3]; };
  for (DWORD d : {VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, ms(content.fileVersion),
                  ls(content.fileVersion), ms(content.productVersion), ls(content.productVersion),
                  content.fileFlagsMask, content.fileFlags, content.fileOS, content.fileType,
                  content.fileSubtype, content.fileDateMS, content.fileDateLS})
    PutDword(root.value, d);
  root.valueLength = static_cast<WORD>(root.value.size());

  if (!content.stringTables.empty()) {
    Node sfi;
    sfi.key = "StringFileInfo";
    sfi.text = true;
    for (const auto& table : content.stringTables) {
      Node t;
      t.key = Hex4(table.language) + Hex4(table.codePage);
      t.text = true;
      for (const auto& [key, value] : table.strings) t.children.push_back(TextNode(key, value));
      sfi.children.push_back(std::move(t));
    }
    root.children.push_back(std::move(sfi));
  }
  if (!content.translations.empty()) {
    Node vfi;
    vfi.key = "VarFileInfo";
    vfi.text = true;
    Node var;
    var.key = "Translation";
    for (const auto& [lang, cp] : content.translations)
      PutDword(var.value, (DWORD{cp} << 16) | lang);
    var.valueLength = static_cast<WORD>(var.value.size());
    vfi.children.push_back(std::move(var));
    root.children.push_back(std::move(vfi));
  }
  std::vector<BYTE> out;
  Write(out, root);
  return out;
}

BOOL QueryVersionValue(const std::vector<BYTE>& block, const std::string& subBlock,
                       std::vector<BYTE>& value) {
  value.clear();
  View node;
  if (!Parse(block, 0, block.size(), node)) return FALSE;
  for (const std::string& part : SplitPath(subBlock)) {
    size_t p = node.childrenAt;
    bool found = false;
    View child;
    while (p < node.end) {
      if (!Parse(block, p, node.end, child)) return FALSE;
      if (SameKey(child.key, part)) {
        found = true;
        break;
      }
      p = Up4(child.end);
    }
    if (!found) return FALSE;
    node = child;
  }
  if (!node.text) {
    value.assign(block.begin() + node.valueAt, block.begin() + node.valueAt + node.valueBytes);
    return TRUE;
  }
  // Text: UTF-16 up to the terminator or the end of the value.
  std::string utf8;
  const size_t end = node.valueAt + node.valueBytes;
  for (size_t p = node.valueAt; p + 2 <= end; p += 2) {
    char32_t u = GetWord(block, p);
    if (u == 0) break;
    if (u >= 0xD800 && u < 0xDC00 && p + 4 <= end) {
      char32_t lo = GetWord(block, p + 2);
      if (lo >= 0xDC00 && lo < 0xE000) {
        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        p += 2;
      }
    }
    AppendUtf8(utf8, u);
  }
  value.assign(utf8.begin(), utf8.end());
  return TRUE;
}
