#include "framework/StdioFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

CStdioFile::CStdioFile(const std::string& fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

CStdioFile::~CStdioFile() {
  if (m_pStream != nullptr) {
    std::fclose(m_pStream);
    m_pStream = nullptr;
    m_hFile = -1;
  }
}

BOOL CStdioFile::Open(const std::string& fileName, UINT openFlags, CFileException* error) {
  if (m_pStream != nullptr) Close();
  if (!CFile::Open(fileName, openFlags, error)) return FALSE;
  const char* mode = (openFlags & 3) == modeWrite       ? "w"
                     : (openFlags & 3) == modeReadWrite ? "r+"
                                                        : "r";
  m_pStream = ::fdopen(m_hFile, mode);
  if (m_pStream == nullptr) {
    const int err = errno;
    CFile::Abort();
    if (error != nullptr)
      *error = CFileException(CFileException::OsErrorToCause(err), err, fileName);
    errno = err;
    return FALSE;
  }
  m_bText = !(openFlags & typeBinary);
  return TRUE;
}

int CStdioFile::GetChar() {
  const int c = std::getc(m_pStream);
  if (c == EOF && std::ferror(m_pStream)) ThrowErrno(errno);
  return c;
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  if (m_pStream == nullptr) ThrowErrno(EBADF);
  if (!m_bText) {
    const size_t n = std::fread(buffer, 1, count, m_pStream);
    if (n < count && std::ferror(m_pStream)) ThrowErrno(errno);
    return static_cast<UINT>(n);
  }
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    int c = GetChar();
    if (c == EOF) break;
    if (c == '\r') {
      const int next = GetChar();
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        std::ungetc(next, m_pStream);
    }
    out[done++] = static_cast<char>(c);
  }
  return done;
}

void CStdioFile::Write(const void* buffer, UINT count) {
  if (m_pStream == nullptr) ThrowErrno(EBADF);
  const auto* in = static_cast<const char*>(buffer);
  if (!m_bText) {
    if (std::fwrite(in, 1, count, m_pStream) != count) ThrowErrno(errno);
    return;
  }
  UINT start = 0;
  for (UINT i = 0; i <= count; ++i) {
    if (i == count || in[i] == '\n') {
      if (std::fwrite(in + start, 1, i - start, m_pStream) != i - start) ThrowErrno(errno);
      if (i < count && std::fwrite("\r\n", 1, 2, m_pStream) != 2) ThrowErrno(errno);
      start = i + 1;
    }
  }
}

void CStdioFile::WriteDirect(const void* buffer, UINT count) {
  if (m_pStream != nullptr && std::fflush(m_pStream) != 0) ThrowErrno(errno);
  CFile::Write(buffer, count);
}

std::uint64_t CStdioFile::Seek(std::int64_t offset, UINT from) {
  if (m_pStream == nullptr) ThrowErrno(EBADF);
  const int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
  if (::fseeko(m_pStream, static_cast<off_t>(offset), whence) != 0) ThrowErrno(errno);
  return GetPosition();
}

std::uint64_t CStdioFile::GetLength() const {
  if (m_pStream == nullptr) ThrowErrno(EBADF);
  if (std::fflush(m_pStream) != 0) ThrowErrno(errno);
  return CFile::GetLength();
}

std::uint64_t CStdioFile::GetPosition() const {
  if (m_pStream == nullptr) ThrowErrno(EBADF);
  const off_t pos = ::ftello(m_pStream);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<std::uint64_t>(pos);
}

void CStdioFile::Flush() {
  if (m_pStream != nullptr && std::fflush(m_pStream) != 0) ThrowErrno(errno);
}

void CStdioFile::Close() {
  if (m_pStream == nullptr) {
    CFile::Close();
    return;
  }
  std::FILE* stream = m_pStream;
  m_pStream = nullptr;
  m_hFile = -1;
  // fclose writes the buffered rest: a full disk shows up here.
  if (std::fclose(stream) != 0) ThrowErrno(errno);
}

void CStdioFile::Abort() {
  if (m_pStream != nullptr) std::fclose(m_pStream);
  m_pStream = nullptr;
  m_hFile = -1;
}

void CStdioFile::WriteString(const std::string& text) {
  Write(text.data(), static_cast<UINT>(text.size()));
}

bool CStdioFile::ReadRawLine(std::string& line, size_t maxChars) {
  if (m_pStream == nullptr) ThrowErrno(EBADF);
  bool any = false;
  while (line.size() < maxChars) {
    int c = GetChar();
    if (c == EOF) break;
    any = true;
    if (c == '\r' && m_bText) {
      const int next = GetChar();
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        std::ungetc(next, m_pStream);
    }
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return any;
}

BOOL CStdioFile::ReadString(std::string& line) {
  line.clear();
  if (!ReadRawLine(line)) return FALSE;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return TRUE;
}

char* CStdioFile::ReadString(char* buffer, UINT maxChars) {
  if (buffer == nullptr || maxChars == 0) return nullptr;
  std::string line;
  if (!ReadRawLine(line, maxChars - 1)) {
    buffer[0] = '\0';
    return nullptr;
  }
  line.copy(buffer, line.size());
  buffer[line.size()] = '\0';
  return buffer;
}
