// Text file that writes UTF-16LE with a byte-order mark (modeWriteUnicode)
// or 8-bit text in a chosen code page, and reads UTF-16LE files (recognised
// by their mark) back as 8-bit text.
#pragma once

#include <string>

#include "framework/StdioFile.h"

class CUnicodeTextFile : public CStdioFile {
 public:
  static constexpr UINT modeWriteUnicode = 0x20000;

  CUnicodeTextFile() = default;
  // Opens at once; throws CFileException on failure.
  CUnicodeTextFile(const std::string& fileName, UINT openFlags);
  ~CUnicodeTextFile() override = default;

  BOOL Open(const std::string& fileName, UINT openFlags, CFileException* error = nullptr) override;
  // Writes the text as it is (no line end added): UTF-16LE units with
  // modeWriteUnicode (the mark first at position 0), else 8-bit text in the
  // file's code page. Throws CFileException when the write fails.
  void WriteString(const std::string& text) override;
  // One line without its line end, in the locale code page; FALSE at the end.
  BOOL ReadString(std::string& line) override;
  using CStdioFile::ReadString;

  // Code page of the file's 8-bit text; -1: the system ANSI code page.
  void SetCodePage(int codePage) { m_nFileCodePage = codePage; }
  // Characters in the open file: its length for 8-bit text, (length - 2) / 2
  // for a UTF-16LE file being read; 0 when nothing is open.
  std::uint64_t GetCharCount() const;

  static BOOL IsFileUnicode(const std::string& fileName);
  // The user locale's ANSI code page; 0 when it cannot be read.
  static int GetCurrentLocaleCodePage();
  // text (NUL-terminated) in codePage (-1: ANSI) into wide (size units,
  // cleared first). Units written without the terminator; 0 on failure.
  // Bytes that do not convert become U+FFFD.
  static int GetUnicodeStringFromMultiByteString(const char* text, char16_t* wide, int size,
                                                 int codePage);
  // Bytes, terminator included, that the wide text needs in codePage.
  static int GetRequiredMultiByteLength(const char16_t* wide, int codePage);
  // wide (terminated) into buffer (size bytes, cleared first); characters
  // the code page cannot show become '#'. Bytes written without the
  // terminator; 0 on failure.
  static int GetMultiByteStringFromUnicodeString(const char16_t* wide, char* buffer, int size,
                                                 int codePage);

  bool m_bIsUnicodeText = false;
  UINT m_nFlags = 0;
  int m_nFileCodePage = -1;

 protected:
  UINT ProcessFlags(const std::string& fileName, UINT flags);

 private:
  // Converts 8-bit text between two code pages through UTF-16; false when
  // the text gives no character.
  static bool Recode(const std::string& text, int from, int to, std::string& out);
};
