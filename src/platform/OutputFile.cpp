#include "platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/OutputBatch.h"
#include "platform/TempFile.h"

namespace {

// The stream's writes, keeping the first error: the C library forgets it
// once the buffer it failed to write is dropped, so that a later flush
// succeeds with only the stream's error flag left.
ssize_t SinkWrite(void* cookie, const char* data, std::size_t size) {
  auto& sink = *static_cast<OutputFile::Sink*>(cookie);
  if (sink.fd < 0) return static_cast<ssize_t>(size);  // a discarded output's rest
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(sink.fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (sink.error == 0) sink.error = n < 0 ? errno : EIO;
      errno = sink.error;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

int OutputFile::Create(const std::filesystem::path& path, unsigned mode, OutputBatch* batch) {
  Discard();
  // The rename would fail on a folder only after the whole output is
  // written; a link or other non-file there is only a name it replaces.
  struct stat old {};
  const bool exists = ::lstat(path.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return EISDIR;
  // Temporaries of writers killed half-way would otherwise stay for ever.
  if (batch != nullptr && !batch->IsActive()) batch = nullptr;
  if (batch != nullptr)
    batch->Prepare(path);
  else
    RemoveStaleTempFiles(path);
  // The rename would replace a file that opening it for writing refuses.
  const bool replacing = exists && S_ISREG(old.st_mode);
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
  m_batch = batch;
  return 0;
}

std::FILE* OutputFile::Stream() {
  if (m_stream != nullptr || m_fd < 0) return m_stream;
  m_sink = Sink{m_fd, 0};
  m_stream =
      ::fopencookie(&m_sink, "wb", cookie_io_functions_t{nullptr, SinkWrite, nullptr, nullptr});
  return m_stream;
}

int OutputFile::Commit() {
  if (m_fd < 0) return EBADF;
  int err = 0;
  if (m_stream != nullptr) {
    errno = 0;
    const bool flushed = std::fflush(m_stream) == 0 && !std::ferror(m_stream);
    std::fclose(m_stream);  // nothing left to write, and the descriptor stays
    m_stream = nullptr;
    if (!flushed) err = m_sink.error != 0 ? m_sink.error : errno != 0 ? errno : EIO;
  }
  if (err == 0 && m_batch == nullptr && ::fsync(m_fd) != 0) err = errno;
  // Renamed while the descriptor holds the temporary's lock, so that no
  // cleaner takes it for a stale one meanwhile.
  if (err == 0 && ::rename(m_temp.c_str(), m_path.c_str()) != 0) err = errno;
  if (err != 0) {
    Discard();
    return err;
  }
  m_temp.clear();
  if (::close(m_fd) != 0) err = errno;
  m_fd = -1;
  if (m_batch != nullptr) {
    m_batch->Committed(m_path);
  } else {
    // Make the rename itself durable.
    const int dfd = ::open(FolderOf(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
  }
  m_batch = nullptr;
  return err;
}

void OutputFile::Discard() {
  if (m_stream != nullptr) {
    m_sink.fd = -1;  // what is still buffered is dropped
    std::fclose(m_stream);
  }
  m_stream = nullptr;
  // Removed while still locked, so that no cleaner works on it meanwhile.
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_temp.clear();
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_batch = nullptr;
}
