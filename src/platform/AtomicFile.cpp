#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/OutputFile.h"

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
  OutputFile output;
  if (const int err = output.Create(path, mode); err != 0) return err;
  if (const int err = WriteAll(output.Descriptor(), data); err != 0) return err;
  return output.Commit();
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
