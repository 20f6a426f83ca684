#include "logger/TransferOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

CTransferOutputFile::~CTransferOutputFile() { Discard(); }

bool CTransferOutputFile::Create(const std::string& path) {
  Discard();
  m_path = path;
  m_temp = path + ".XXXXXX";
  m_fd = ::mkstemp(m_temp.data());
  if (m_fd < 0) {
    m_temp.clear();
    return false;
  }
  // The stream writes through its own descriptor of the same file.
  const int streamFd = ::dup(m_fd);
  m_stream = streamFd >= 0 ? ::fdopen(streamFd, "wb") : nullptr;
  if (m_stream == nullptr) {
    const int err = errno;
    if (streamFd >= 0) ::close(streamFd);
    Discard();
    errno = err;
    return false;
  }
  return true;
}

bool CTransferOutputFile::Commit() {
  if (m_fd < 0 || m_stream == nullptr) {
    errno = EBADF;
    return false;
  }
  int err = 0;
  if (std::fflush(m_stream) != 0 || std::ferror(m_stream)) err = errno ? errno : EIO;
  if (std::fclose(m_stream) != 0 && err == 0) err = errno;
  m_stream = nullptr;
  if (err == 0 && ::fsync(m_fd) != 0) err = errno;
  if (::close(m_fd) != 0 && err == 0) err = errno;
  m_fd = -1;
  // mkstemp makes the file private; an exported file gets the usual mode.
  if (err == 0) ::chmod(m_temp.c_str(), 0644);
  if (err == 0 && std::rename(m_temp.c_str(), m_path.c_str()) != 0) err = errno;
  if (err != 0) {
    Discard();
    errno = err;
    return false;
  }
  m_temp.clear();
  return true;
}

void CTransferOutputFile::Discard() {
  if (m_stream != nullptr) std::fclose(m_stream);
  m_stream = nullptr;
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_temp.clear();
}
