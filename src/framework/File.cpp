#include "framework/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int CFileException::OsErrorToCause(int error) {
  switch (error) {
    case 0:
      return none;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return badPath;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return accessDenied;
    case EBADF:
      return invalidFile;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return diskFull;
    case ESPIPE:
    case EINVAL:
      return badSeek;
    case EIO:
      return hardIO;
    case EBUSY:
    case ETXTBSY:
      return sharingViolation;
    default:
      return genericException;
  }
}

std::string CFileException::GetErrorMessage() const {
  std::string text = m_strFileName.empty() ? std::string() : m_strFileName + ": ";
  if (m_cause == endOfFile) return text + "Unexpected end of file";
  return text + (m_lOsError != 0 ? std::strerror(m_lOsError) : "File error");
}

CFile::CFile(const std::string& fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() {
  if (m_hFile >= 0) ::close(m_hFile);
}

int CFile::PosixFlags(UINT openFlags) {
  int flags = O_CLOEXEC;
  switch (openFlags & 3) {
    case modeWrite:
      flags |= O_WRONLY;
      break;
    case modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      flags |= O_RDONLY;
  }
  if (openFlags & modeCreate) {
    flags |= O_CREAT;
    if (!(openFlags & modeNoTruncate)) flags |= O_TRUNC;
  }
  return flags;
}

BOOL CFile::Open(const std::string& fileName, UINT openFlags, CFileException* error) {
  if (m_hFile >= 0) Close();
  m_strFileName = fileName;
  const int fd = ::open(fileName.c_str(), PosixFlags(openFlags), 0666);
  if (fd < 0) {
    const int err = errno;
    if (error != nullptr)
      *error = CFileException(CFileException::OsErrorToCause(err), err, fileName);
    errno = err;
    return FALSE;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    if (error != nullptr) *error = CFileException(CFileException::accessDenied, EISDIR, fileName);
    errno = EISDIR;
    return FALSE;
  }
  m_hFile = fd;
  return TRUE;
}

void CFile::ThrowErrno(int error) const {
  throw CFileException(CFileException::OsErrorToCause(error), error, m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count) {
  if (m_hFile < 0) ThrowErrno(EBADF);
  UINT done = 0;
  while (done < count) {
    const ssize_t n = ::read(m_hFile, static_cast<char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) break;
    done += static_cast<UINT>(n);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (m_hFile < 0) ThrowErrno(EBADF);
  UINT done = 0;
  while (done < count) {
    const ssize_t n = ::write(m_hFile, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) ThrowErrno(ENOSPC);
    done += static_cast<UINT>(n);
  }
}

std::uint64_t CFile::Seek(std::int64_t offset, UINT from) {
  if (m_hFile < 0) ThrowErrno(EBADF);
  const int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
  const off_t pos = ::lseek(m_hFile, static_cast<off_t>(offset), whence);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetLength() const {
  if (m_hFile < 0) ThrowErrno(EBADF);
  struct stat st {};
  if (::fstat(m_hFile, &st) != 0) ThrowErrno(errno);
  return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t CFile::GetPosition() const {
  if (m_hFile < 0) ThrowErrno(EBADF);
  const off_t pos = ::lseek(m_hFile, 0, SEEK_CUR);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<std::uint64_t>(pos);
}

void CFile::Flush() {
  if (m_hFile >= 0 && ::fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno(errno);
}

void CFile::Close() {
  if (m_hFile < 0) return;
  const int fd = m_hFile;
  m_hFile = -1;
  if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
}

void CFile::Abort() {
  if (m_hFile >= 0) ::close(m_hFile);
  m_hFile = -1;
}

std::string CFile::GetFileName() const {
  const size_t slash = m_strFileName.find_last_of("/\\");
  return slash == std::string::npos ? m_strFileName : m_strFileName.substr(slash + 1);
}
