#include "photo/PhotoKmlOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
std::string Reason(const std::string& text, int err) {
  return err != 0 ? text + ": " + std::strerror(err) : text;
}
}  // namespace

CPhotoKmlOutput::CPhotoKmlOutput(std::string target) : m_target(std::move(target)) {}

CPhotoKmlOutput::~CPhotoKmlOutput() {
  if (m_fd >= 0) ::close(m_fd);
  if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

BOOL CPhotoKmlOutput::Open(CUnicodeTextFile& file, std::string& error) {
  std::string temporary = m_target + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    error = Reason("Cannot create " + m_target, errno);
    return FALSE;
  }
  m_fd = fd;
  m_temporary = temporary;
  // The file object opens the temporary by name; it must be the file just
  // created, not one put in its place meanwhile.
  CFileException failure;
  struct stat created {
  }, opened{};
  if (!file.Open(m_temporary,
                 CFile::modeWrite | CFile::typeText | CUnicodeTextFile::modeWriteUnicode,
                 &failure)) {
    error = Reason("Cannot create " + m_target, failure.m_lOsError);
    return FALSE;
  }
  if (::fstat(m_fd, &created) != 0 || ::fstat(file.m_hFile, &opened) != 0 ||
      created.st_dev != opened.st_dev || created.st_ino != opened.st_ino) {
    file.Abort();
    error = Reason("Cannot create " + m_target, EEXIST);
    return FALSE;
  }
  return TRUE;
}

BOOL CPhotoKmlOutput::Commit(std::string& error) {
  if (m_fd < 0 || m_temporary.empty()) {
    error = Reason("Cannot write " + m_target, EBADF);
    return FALSE;
  }
  if (::fsync(m_fd) != 0) {
    error = Reason("Cannot write " + m_target, errno);
    return FALSE;
  }
  // mkstemp makes the file private: keep the mode of a file it replaces, or
  // give a new one the usual rw-r--r--.
  struct stat old {};
  ::fchmod(m_fd, ::stat(m_target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  ::close(m_fd);
  m_fd = -1;
  if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    error = Reason("Cannot create " + m_target, errno);
    return FALSE;
  }
  m_temporary.clear();
  return TRUE;
}
