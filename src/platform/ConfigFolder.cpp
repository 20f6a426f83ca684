#include "platform/ConfigFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_folderMutex;
std::filesystem::path g_testFolder;

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

}  // namespace

std::filesystem::path GetConfigFolder() {
  {
    std::lock_guard lock(g_folderMutex);
    if (!g_testFolder.empty()) return g_testFolder;
  }
  // Relative values are not valid for the XDG variable and are ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    return std::filesystem::path(xdg) / "navrel";
  return HomeFolder() / ".config" / "navrel";
}

bool EnsureConfigFolder() {
  std::filesystem::path folder = GetConfigFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder.parent_path(), ec);
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return true;
}

void SetConfigFolderForTesting(const std::filesystem::path& folder) {
  std::lock_guard lock(g_folderMutex);
  g_testFolder = folder;
}

ConfigFileLock::ConfigFileLock(const char* lockFileName) {
  if (!EnsureConfigFolder()) return;
  std::filesystem::path lockPath = GetConfigFolder() / lockFileName;
  m_fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (m_fd >= 0) {
    while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

ConfigFileLock::~ConfigFileLock() {
  if (m_fd >= 0) close(m_fd);  // closing releases the lock
}
