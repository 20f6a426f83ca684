// Unbuffered file on a POSIX descriptor, with the open flags and members of
// the framework's file class. Failures keep errno in the exception or error
// holder so callers can say what went wrong (full disk, permission denied).
#pragma once

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

class CFileException {
 public:
  enum Cause {
    none = 0,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };
  CFileException() = default;
  CFileException(int cause, int osError, std::string fileName = {})
      : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}
  static int OsErrorToCause(int error);
  // "<file name>: <system text>" for the error.
  std::string GetErrorMessage() const;

  int m_cause = none;
  int m_lOsError = 0;  // errno
  std::string m_strFileName;
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };

  CFile() = default;
  // Opens at once; throws CFileException on failure.
  CFile(const std::string& fileName, UINT openFlags);
  virtual ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  virtual BOOL Open(const std::string& fileName, UINT openFlags, CFileException* error = nullptr);
  // Read returns the bytes read (0 at the end); Read and Write throw
  // CFileException on an I/O error. Write writes all bytes or throws.
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual std::uint64_t Seek(std::int64_t offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  std::uint64_t SeekToEnd() { return Seek(0, end); }
  virtual std::uint64_t GetLength() const;
  virtual std::uint64_t GetPosition() const;
  virtual void Flush();
  virtual void Close();
  // Closes without throwing.
  virtual void Abort();
  std::string GetFilePath() const { return m_strFileName; }
  std::string GetFileName() const;
  bool IsOpen() const { return m_hFile >= 0; }

  int m_hFile = -1;

 protected:
  [[noreturn]] void ThrowErrno(int error) const;
  // open(2) flags for the framework flags.
  static int PosixFlags(UINT openFlags);

  std::string m_strFileName;
};
