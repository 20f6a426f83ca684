// Buffered file on a C stream. In typeText (the default unless typeBinary is
// given) a line feed is written as CR LF and CR LF reads back as a line feed.
#pragma once

#include <cstdio>
#include <string>

#include "framework/File.h"

class CStdioFile : public CFile {
 public:
  CStdioFile() = default;
  // Opens at once; throws CFileException on failure.
  CStdioFile(const std::string& fileName, UINT openFlags);
  ~CStdioFile() override;

  BOOL Open(const std::string& fileName, UINT openFlags, CFileException* error = nullptr) override;
  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  std::uint64_t Seek(std::int64_t offset, UINT from) override;
  std::uint64_t GetLength() const override;
  std::uint64_t GetPosition() const override;
  void Flush() override;
  void Close() override;
  void Abort() override;

  // Writes the text; no line end is added.
  virtual void WriteString(const std::string& text);
  // Reads one line without its line end; FALSE at the end of the file.
  virtual BOOL ReadString(std::string& line);
  // Reads up to maxChars - 1 characters of one line, keeping its line feed.
  // nullptr at the end of the file.
  char* ReadString(char* buffer, UINT maxChars);

  std::FILE* m_pStream = nullptr;

 protected:
  bool IsText() const { return m_bText; }
  // Appends one line with its line feed (if any) to line; false at the end.
  bool ReadRawLine(std::string& line, size_t maxChars = std::string::npos);
  // Writes raw bytes straight to the descriptor, around the stream buffer.
  void WriteDirect(const void* buffer, UINT count);

 private:
  int GetChar();
  bool m_bText = true;
};
