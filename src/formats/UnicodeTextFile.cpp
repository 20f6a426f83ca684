#include "formats/UnicodeTextFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Trace.h"

namespace {
UINT Page(int codePage) { return codePage == -1 ? GetACP() : static_cast<UINT>(codePage); }

// Removes CR LF, or else one trailing CR or LF.
void StripLineEnd(std::string& line) {
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0)
    line.resize(line.size() - 2);
  else if (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
    line.pop_back();
}

constexpr int kMaxWideLine = 4095;
}  // namespace

CUnicodeTextFile::CUnicodeTextFile(const std::string& fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

UINT CUnicodeTextFile::ProcessFlags(const std::string& fileName, UINT flags) {
  m_bIsUnicodeText = false;
  if ((flags & typeText) && !(flags & (modeCreate | modeWrite))) {
    m_bIsUnicodeText = IsFileUnicode(fileName) != FALSE;
    // Read UTF-16 without line-end translation.
    if (m_bIsUnicodeText) flags = (flags & ~static_cast<UINT>(typeText)) | typeBinary;
  }
  m_nFlags = flags;
  return flags;
}

BOOL CUnicodeTextFile::Open(const std::string& fileName, UINT openFlags, CFileException* error) {
  return CStdioFile::Open(fileName, ProcessFlags(fileName, openFlags), error);
}

BOOL CUnicodeTextFile::IsFileUnicode(const std::string& fileName) {
  CFile file;
  if (!file.Open(fileName, modeRead | typeBinary)) return FALSE;
  unsigned char mark[2] = {0, 0};
  try {
    if (file.Read(mark, 2) != 2) return FALSE;
  } catch (const CFileException&) {
    return FALSE;
  }
  return mark[0] == 0xFF && mark[1] == 0xFE ? TRUE : FALSE;
}

int CUnicodeTextFile::GetCurrentLocaleCodePage() {
  char buffer[10] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buffer, 10) == 0) return 0;
  return std::atoi(buffer);
}

int CUnicodeTextFile::GetUnicodeStringFromMultiByteString(const char* text, char16_t* wide,
                                                          int size, int codePage) {
  if (text == nullptr || wide == nullptr || size < 1) return 0;
  std::memset(wide, 0, static_cast<size_t>(size) * sizeof(char16_t));
  const UINT cp = Page(codePage);
  const int n = MultiByteToWideChar(cp, cp == CP_UTF8 ? 0 : MB_PRECOMPOSED, text, -1, wide, size);
  if (n == 0) {
    TRACE("Error in MultiByteToWideChar: %d\n", errno);
    return 0;
  }
  return n - 1;  // without the terminator
}

int CUnicodeTextFile::GetRequiredMultiByteLength(const char16_t* wide, int codePage) {
  if (wide == nullptr) return 0;
  const UINT cp = Page(codePage);
  if (cp == CP_UTF8) return WideCharToMultiByte(cp, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  return WideCharToMultiByte(cp, WC_COMPOSITECHECK | WC_SEPCHARS, wide, -1, nullptr, 0, "#",
                             nullptr);
}

int CUnicodeTextFile::GetMultiByteStringFromUnicodeString(const char16_t* wide, char* buffer,
                                                          int size, int codePage) {
  if (wide == nullptr || buffer == nullptr || size < 1) return 0;
  std::memset(buffer, 0, static_cast<size_t>(size));
  const UINT cp = Page(codePage);
  BOOL usedDefault = FALSE;
  const int n = cp == CP_UTF8 ? WideCharToMultiByte(cp, 0, wide, -1, buffer, size, nullptr, nullptr)
                              : WideCharToMultiByte(cp, WC_COMPOSITECHECK | WC_SEPCHARS, wide, -1,
                                                    buffer, size, "#", &usedDefault);
  if (n == 0) {
    TRACE("Error in WideCharToMultiByte: %d\n", errno);
    return 0;
  }
  return n - 1;
}

bool CUnicodeTextFile::Recode(const std::string& text, int from, int to, std::string& out) {
  std::vector<char16_t> wide(text.size() + 1);
  const int units = GetUnicodeStringFromMultiByteString(text.c_str(), wide.data(),
                                                        static_cast<int>(wide.size()), from);
  if (units == 0) return false;
  const int need = GetRequiredMultiByteLength(wide.data(), to);
  if (need <= 0) return false;
  std::vector<char> bytes(static_cast<size_t>(need));
  const int n = GetMultiByteStringFromUnicodeString(wide.data(), bytes.data(), need, to);
  out.assign(bytes.data(), static_cast<size_t>(n));
  return true;
}

void CUnicodeTextFile::WriteString(const std::string& text) {
  if (m_nFlags & modeWriteUnicode) {
    if (m_pStream != nullptr) Flush();
    if (CFile::GetPosition() == 0) {
      static const unsigned char kMark[2] = {0xFF, 0xFE};
      WriteDirect(kMark, 2);
    }
    if (text.empty()) return;
    // A NUL inside the text would end the conversion early: convert the
    // pieces between NULs and keep the NULs as units.
    std::string bytes;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\0', start);
      if (end == std::string::npos) end = text.size();
      const std::string piece = text.substr(start, end - start);
      std::vector<char16_t> wide(piece.size() + 1);
      const int units = GetUnicodeStringFromMultiByteString(
          piece.c_str(), wide.data(), static_cast<int>(wide.size()), m_nFileCodePage);
      for (int i = 0; i < units; ++i) {
        bytes.push_back(static_cast<char>(wide[i] & 0xFF));
        bytes.push_back(static_cast<char>(wide[i] >> 8));
      }
      if (end < text.size()) bytes.append(2, '\0');
      start = end + 1;
    }
    if (!bytes.empty()) WriteDirect(bytes.data(), static_cast<UINT>(bytes.size()));
    return;
  }
  const int locale = GetCurrentLocaleCodePage();
  if (locale != 0 && locale != m_nFileCodePage) {
    std::string converted;
    if (Recode(text, locale, m_nFileCodePage, converted) && !converted.empty())
      WriteDirect(converted.data(), static_cast<UINT>(converted.size()));
    return;
  }
  if (!text.empty()) WriteDirect(text.data(), static_cast<UINT>(text.size()));
}

BOOL CUnicodeTextFile::ReadString(std::string& line) {
  line.clear();
  if (m_pStream == nullptr) return FALSE;
  if (m_bIsUnicodeText) {
    if (GetPosition() == 0) {
      unsigned char mark[2];
      if (Read(mark, 2) < 2) return FALSE;
    }
    std::vector<char16_t> wide;
    unsigned char unit[2];
    while (static_cast<int>(wide.size()) < kMaxWideLine && Read(unit, 2) == 2) {
      const char16_t c = static_cast<char16_t>(unit[0] | unit[1] << 8);
      wide.push_back(c);
      if (c == u'\n') break;
    }
    if (wide.empty()) return FALSE;
    wide.push_back(0);
    const int need = GetRequiredMultiByteLength(wide.data(), m_nFileCodePage);
    if (need > 0) {
      std::vector<char> bytes(static_cast<size_t>(need));
      const int n =
          GetMultiByteStringFromUnicodeString(wide.data(), bytes.data(), need, m_nFileCodePage);
      if (n > 0) line.assign(bytes.data(), static_cast<size_t>(n));
    }
  } else {
    if (!ReadRawLine(line)) return FALSE;
    const int locale = GetCurrentLocaleCodePage();
    if (locale != 0 && locale != m_nFileCodePage) {
      std::string converted;
      if (Recode(line, m_nFileCodePage, locale, converted)) line = converted;
    }
  }
  StripLineEnd(line);
  return TRUE;
}

std::uint64_t CUnicodeTextFile::GetCharCount() const {
  if (m_pStream == nullptr) return 0;
  const std::uint64_t length = GetLength();
  if (!m_bIsUnicodeText) return length;
  return length >= 2 ? (length - 2) / 2 : 0;
}
