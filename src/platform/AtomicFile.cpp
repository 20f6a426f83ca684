#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/TempFile.h"

namespace {

int WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

int WriteFileAtomically(const std::filesystem::path& path, const std::string& data, unsigned mode) {
  // Temporaries of writers killed half-way would otherwise stay for ever.
  RemoveStaleTempFiles(path);
  std::filesystem::path temp;
  int fd = CreateTempFileBeside(path, temp, mode);
  if (fd < 0) return errno;
  int err = WriteAll(fd, data);
  if (err == 0 && fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(temp.c_str());
    return err;
  }
  // Make the rename itself durable.
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return 0;
}

int ReadWholeFile(const std::filesystem::path& path, std::string& data, std::size_t maxBytes) {
  data.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char buffer[4096];
  int err = 0;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (n == 0) break;
    if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
      err = EFBIG;
      break;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return err;
}
