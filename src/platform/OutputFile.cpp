#include "platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/TempFile.h"

int OutputFile::Create(const std::filesystem::path& path, unsigned mode) {
  Discard();
  // Temporaries of writers killed half-way would otherwise stay for ever.
  RemoveStaleTempFiles(path);
  // The rename would replace a file that opening it for writing refuses.
  // A link or other non-file there is only a name the rename replaces.
  struct stat old {};
  const bool replacing = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  if (replacing) {
    if ((old.st_mode & 0222) == 0) return EACCES;
    if (::access(path.c_str(), W_OK) != 0) return errno;
  }
  std::filesystem::path temp;
  // A replacement is private until it has the replaced file's mode.
  const int fd = CreateTempFileBeside(path, temp, replacing ? 0600 : mode);
  if (fd < 0) return errno;
  if (replacing) ::fchmod(fd, old.st_mode & 0777);  // best effort (some file systems have none)
  m_path = path;
  m_temp = std::move(temp);
  m_fd = fd;
  return 0;
}

std::FILE* OutputFile::Stream() {
  if (m_stream != nullptr || m_fd < 0) return m_stream;
  const int second = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
  m_stream = second >= 0 ? ::fdopen(second, "wb") : nullptr;
  if (m_stream == nullptr && second >= 0) {
    const int err = errno;
    ::close(second);
    errno = err;
  }
  return m_stream;
}

int OutputFile::Commit() {
  if (m_fd < 0) return EBADF;
  int err = 0;
  if (m_stream != nullptr) {
    errno = 0;
    if (std::fflush(m_stream) != 0 || std::ferror(m_stream)) err = errno != 0 ? errno : EIO;
    if (std::fclose(m_stream) != 0 && err == 0) err = errno;
    m_stream = nullptr;
  }
  if (err == 0 && ::fsync(m_fd) != 0) err = errno;
  if (::close(m_fd) != 0 && err == 0) err = errno;
  m_fd = -1;
  if (err == 0 && ::rename(m_temp.c_str(), m_path.c_str()) != 0) err = errno;
  if (err != 0) {
    Discard();
    return err;
  }
  m_temp.clear();
  // Make the rename itself durable.
  std::filesystem::path dir = m_path.parent_path();
  if (dir.empty()) dir = ".";
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return 0;
}

void OutputFile::Discard() {
  if (m_stream != nullptr) std::fclose(m_stream);
  m_stream = nullptr;
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_temp.clear();
}
