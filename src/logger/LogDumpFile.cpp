#include "logger/LogDumpFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

void CLogDumpFile::Drop(const std::string& what, int err) {
  m_error = what + " " + m_path + ": " + std::strerror(err);
  if (m_stream) std::fclose(m_stream);
  m_stream = nullptr;
  if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
  m_tempPath.clear();
}

bool CLogDumpFile::Open(const std::string& folder) {
  Close();
  m_error.clear();
  m_path = (std::filesystem::path(folder) / kFileName).string();
  m_tempPath = m_path + ".XXXXXX";
  const int fd = ::mkstemp(m_tempPath.data());
  if (fd < 0) {
    const int err = errno;
    m_tempPath.clear();
    Drop("Cannot create", err);
    return false;
  }
  m_stream = ::fdopen(fd, "wb");
  if (!m_stream) {
    const int err = errno;
    ::close(fd);
    Drop("Cannot create", err);
    return false;
  }
  return true;
}

bool CLogDumpFile::Write(const void* data, std::size_t size) {
  if (!m_stream) return false;
  if (std::fwrite(data, 1, size, m_stream) != size) {
    Drop("Cannot write", errno ? errno : EIO);
    return false;
  }
  return true;
}

bool CLogDumpFile::Close() {
  if (!m_stream) return m_error.empty();
  std::FILE* stream = m_stream;
  m_stream = nullptr;
  if (std::fclose(stream) != 0) {
    Drop("Cannot write", errno);
    return false;
  }
  // mkstemp makes the file private; a dump is an ordinary file.
  ::chmod(m_tempPath.c_str(), 0644);
  if (std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
    Drop("Cannot create", errno);
    return false;
  }
  m_tempPath.clear();
  return true;
}
