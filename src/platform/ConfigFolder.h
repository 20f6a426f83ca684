// The user's configuration folder of the program: $XDG_CONFIG_HOME/navrel,
// or ~/.config/navrel. The registry store and the COM-port table live here.
#pragma once

#include <filesystem>

// The folder (not created).
std::filesystem::path GetConfigFolder();

// Creates the folder (mode 0700) when missing; returns false with errno set
// when it cannot be made.
bool EnsureConfigFolder();

// Points the folder elsewhere (tests); an empty path restores the default.
void SetConfigFolderForTesting(const std::filesystem::path& folder);

// Holds an exclusive lock on a lock file of the folder while it lives, so that
// the load-change-save of a shared file by several processes does not
// interleave. Without a folder it holds nothing (the change then still
// replaces the file atomically).
class ConfigFileLock {
 public:
  explicit ConfigFileLock(const char* lockFileName);
  ~ConfigFileLock();
  ConfigFileLock(const ConfigFileLock&) = delete;
  ConfigFileLock& operator=(const ConfigFileLock&) = delete;

 private:
  int m_fd = -1;
};
