#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// iconv name of a Windows code page; empty when unknown.
std::string IconvName(UINT cp) {
  switch (cp) {
    case CP_UTF8:
      return "UTF-8";
    case 950:
      return "CP950";
    case 1252:
      return "CP1252";
    case 936:
      return "CP936";
    case 932:
      return "CP932";
    case 20127:
      return "ASCII";
    case 28591:
      return "ISO-8859-1";
    default:
      if (cp >= 1250 && cp <= 1258) return "CP" + std::to_string(cp);
      return {};
  }
}

UINT Resolve(UINT cp) { return cp == CP_ACP ? GetACP() : cp; }

class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from)
      : m_cd(iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (Ok()) iconv_close(m_cd);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  // Converts as much as possible; returns false and leaves in/inLeft at the
  // offending input on an unconvertible or incomplete sequence.
  bool Run(const char*& in, size_t& inLeft, std::string& out) {
    char buffer[1024];
    while (inLeft > 0) {
      char* inPtr = const_cast<char*>(in);
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      const size_t r = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      in = inPtr;
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return false;
      }
    }
    return true;
  }

 private:
  iconv_t m_cd;
};

void AppendUnit(std::string& utf16le, char16_t unit) {
  utf16le.push_back(static_cast<char>(unit & 0xFF));
  utf16le.push_back(static_cast<char>(unit >> 8));
}

// Bytes of code page cp to UTF-16LE bytes; a byte that starts no valid
// character becomes U+FFFD.
bool Decode(UINT cp, const char* src, size_t len, std::u16string& out) {
  Iconv conv("UTF-16LE", IconvName(cp));
  if (IconvName(cp).empty() || !conv.Ok()) {
    errno = EINVAL;
    return false;
  }
  std::string bytes;
  while (!conv.Run(src, len, bytes)) {
    AppendUnit(bytes, 0xFFFD);
    ++src;
    --len;
  }
  out.resize(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return true;
}

// UTF-16 units to code page cp; a character cp cannot show (or a lone
// surrogate) becomes defaultChar.
bool Encode(UINT cp, const char16_t* src, size_t len, const std::string& defaultChar,
            std::string& out, bool& usedDefault) {
  Iconv conv(IconvName(cp), "UTF-16LE");
  if (IconvName(cp).empty() || !conv.Ok()) {
    errno = EINVAL;
    return false;
  }
  std::string bytes;
  bytes.reserve(len * 2);
  for (size_t i = 0; i < len; ++i) AppendUnit(bytes, src[i]);
  const char* in = bytes.data();
  size_t inLeft = bytes.size();
  while (!conv.Run(in, inLeft, out)) {
    const size_t unit = static_cast<size_t>(in - bytes.data()) / 2;
    const bool pair = unit + 1 < len && src[unit] >= 0xD800 && src[unit] < 0xDC00 &&
                      src[unit + 1] >= 0xDC00 && src[unit + 1] < 0xE000;
    const size_t skip = pair ? 4 : 2;
    out += defaultChar;
    usedDefault = true;
    in += skip < inLeft ? skip : inLeft;
    inLeft -= skip < inLeft ? skip : inLeft;
  }
  return true;
}

}  // namespace

UINT GetACP() {
  const char* name = nullptr;
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(var);
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  if (name == nullptr) return 1252;
  const std::string upper = Upper(name);
  if (upper.find("UTF-8") != std::string::npos || upper.find("UTF8") != std::string::npos)
    return CP_UTF8;
  if (upper.find("BIG5") != std::string::npos || upper.find("950") != std::string::npos) return 950;
  return 1252;
}

int MultiByteToWideChar(UINT cp, DWORD /*flags*/, const char* src, int srcLen, char16_t* dst,
                        int dstLen) {
  if (src == nullptr || srcLen < -1 || dstLen < 0 || (dstLen > 0 && dst == nullptr)) {
    errno = EINVAL;
    return 0;
  }
  const size_t len = srcLen == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcLen);
  std::u16string wide;
  if (!Decode(Resolve(cp), src, len, wide)) return 0;
  if (dstLen == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(dstLen)) {
    errno = ENOBUFS;
    return 0;
  }
  std::memcpy(dst, wide.data(), wide.size() * sizeof(char16_t));
  return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT cp, DWORD /*flags*/, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefault) {
  if (src == nullptr || srcLen < -1 || dstLen < 0 || (dstLen > 0 && dst == nullptr)) {
    errno = EINVAL;
    return 0;
  }
  size_t len = static_cast<size_t>(srcLen);
  if (srcLen == -1) {
    len = 0;
    while (src[len] != 0) ++len;
    ++len;
  }
  std::string bytes;
  bool used = false;
  if (!Encode(Resolve(cp), src, len, defaultChar != nullptr ? defaultChar : "?", bytes, used))
    return 0;
  if (usedDefault != nullptr) *usedDefault = used ? TRUE : FALSE;
  if (dstLen == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > static_cast<size_t>(dstLen)) {
    errno = ENOBUFS;
    return 0;
  }
  std::memcpy(dst, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

int GetLocaleInfoA(LCID /*locale*/, LCTYPE type, char* buffer, int size) {
  std::string value;
  if (type == LOCALE_IDEFAULTANSICODEPAGE) {
    value = std::to_string(GetACP());
  } else if (type == LOCALE_IDEFAULTCODEPAGE) {
    value = GetACP() == 950 ? "950" : "437";
  } else {
    errno = EINVAL;
    return 0;
  }
  const int needed = static_cast<int>(value.size()) + 1;
  if (size == 0) return needed;
  if (buffer == nullptr || size < needed) {
    errno = ENOBUFS;
    return 0;
  }
  std::memcpy(buffer, value.c_str(), static_cast<size_t>(needed));
  return needed;
}

std::u16string ToUtf16(const std::string& text, UINT cp) {
  std::u16string wide;
  if (!text.empty()) Decode(Resolve(cp), text.data(), text.size(), wide);
  return wide;
}

std::string FromUtf16(const std::u16string& text, UINT cp, const char* defaultChar) {
  std::string bytes;
  bool used = false;
  if (!text.empty())
    Encode(Resolve(cp), text.data(), text.size(), defaultChar != nullptr ? defaultChar : "?", bytes,
           used);
  return bytes;
}
