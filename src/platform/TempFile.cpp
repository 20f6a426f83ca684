#include "platform/TempFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kTempMark = ".tmp.";

// A decimal number as we write it: digits, no leading zero.
bool IsNumber(std::string_view text) {
  if (text.empty() || text.size() > 10) return false;
  if (text.size() > 1 && text[0] == '0') return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// "<pid>.<n>" as CreateTempFileBeside writes it (a pid is never 0).
bool IsTempSuffix(std::string_view rest) {
  const std::size_t dot = rest.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view pid = rest.substr(0, dot);
  return IsNumber(pid) && pid != "0" && IsNumber(rest.substr(dot + 1));
}

// "<name>.tmp.<pid>.<n>" for any non-empty name.
bool IsAnyTempName(std::string_view name) {
  const std::size_t mark = name.rfind(kTempMark);
  return mark != std::string_view::npos && mark > 0 &&
         IsTempSuffix(name.substr(mark + kTempMark.size()));
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes name in the folder when it is a regular file of the user that no
// writer holds locked. Links, folders, devices and other users' files are
// never opened nor removed.
void RemoveIfStale(int dirFd, const char* name) {
  struct stat seen {};
  if (::fstatat(dirFd, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(seen.st_mode) ||
      seen.st_uid != ::geteuid())
    return;
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat opened {};
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  // The read lock is refused while a writer holds its write lock; an error
  // (no locks on this file system) keeps the file too.
  if (::fstat(fd, &opened) == 0 && SameFile(seen, opened) && S_ISREG(opened.st_mode) &&
      opened.st_uid == ::geteuid() && ::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
    // Still this file under the name: its writer may have renamed it away
    // and made a new one since it was opened.
    struct stat now {};
    if (::fstatat(dirFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, opened))
      ::unlinkat(dirFd, name, 0);
  }
  ::close(fd);
}

// Lists folder once and removes the stale temporaries whose names pass test.
template <typename NameTest>
void RemoveStaleIn(const std::filesystem::path& folder, NameTest test) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  const int dirFd = ::dirfd(listing);
  while (const dirent* entry = ::readdir(listing)) {
    if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
    if (test(std::string_view(entry->d_name))) RemoveIfStale(dirFd, entry->d_name);
  }
  ::closedir(listing);
}

// Marks a new temporary as in use for every cleaner. False when a cleaner
// got to it first: it holds the file (and will remove it), or has removed it
// already. A file system without locks keeps the file for its cleaners.
bool HoldAsWriter(int fd, const std::filesystem::path& temp) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) return errno != EAGAIN && errno != EACCES;
  struct stat mine {
  }, named{};
  return ::fstat(fd, &mine) == 0 && ::lstat(temp.c_str(), &named) == 0 && SameFile(mine, named);
}

}  // namespace

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

int CreateTempFileBeside(const std::filesystem::path& target, std::filesystem::path& temp,
                         unsigned mode) {
  const std::string prefix =
      target.string() + std::string(kTempMark) + std::to_string(getpid()) + ".";
  // A name already taken (by another thread's write, or a link planted
  // there) is passed over for the next number.
  for (int n = 0; n < 100; ++n) {
    temp = prefix + std::to_string(n);
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
      if (HoldAsWriter(fd, temp)) return fd;
      // A cleaner took the new file for a stale one before it was locked:
      // the cleaner removes it, and this writer goes on to the next name.
      ::close(fd);
      continue;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

void RemoveStaleTempFiles(const std::filesystem::path& target) {
  const std::string prefix = target.filename().string() + std::string(kTempMark);
  RemoveStaleIn(FolderOf(target), [&prefix](std::string_view name) {
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           IsTempSuffix(name.substr(prefix.size()));
  });
}

void RemoveStaleTempFilesIn(const std::filesystem::path& folder) {
  RemoveStaleIn(folder, IsAnyTempName);
}
