#include "platform/TempFile.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>
#include <system_error>

namespace {

constexpr const char* kTempMark = ".tmp.";

// The process id in "<pid>.<n>", or 0 when the rest is not of that form.
pid_t WriterOf(const std::string& rest) {
  const std::size_t dot = rest.find('.');
  if (dot == 0 || dot == std::string::npos || dot + 1 == rest.size()) return 0;
  long pid = 0;
  const char* end = rest.data() + dot;
  if (auto r = std::from_chars(rest.data(), end, pid); r.ec != std::errc() || r.ptr != end)
    return 0;
  for (std::size_t i = dot + 1; i < rest.size(); ++i)
    if (rest[i] < '0' || rest[i] > '9') return 0;
  // Never a process group or every process (0, negative numbers).
  return pid > 0 && pid <= 0x3fffffff ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

int CreateTempFileBeside(const std::filesystem::path& target, std::filesystem::path& temp,
                         unsigned mode) {
  const std::string prefix = target.string() + kTempMark + std::to_string(getpid()) + ".";
  // A name already taken (by another thread's write, or a link planted
  // there) is passed over for the next number.
  for (int n = 0; n < 100; ++n) {
    temp = prefix + std::to_string(n);
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void RemoveStaleTempFiles(const std::filesystem::path& target) {
  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  const std::string prefix = target.filename().string() + kTempMark;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const pid_t pid = WriterOf(name.substr(prefix.size()));
    if (pid == 0 || pid == getpid()) continue;
    // Only a process that is certainly gone: EPERM means it runs as another user.
    if (kill(pid, 0) != 0 && errno == ESRCH) unlink(entry.path().c_str());
  }
}
