#include "platform/OutputBatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "platform/TempFile.h"

void OutputBatch::Begin() {
  m_active = true;
  m_cleaned.clear();
  m_written.clear();
}

void OutputBatch::Prepare(const std::filesystem::path& target) {
  const std::filesystem::path folder = FolderOf(target);
  if (m_cleaned.insert(folder).second) RemoveStaleTempFilesIn(folder);
}

void OutputBatch::Committed(const std::filesystem::path& target) {
  m_written.insert(FolderOf(target));
}

int OutputBatch::Finish(std::filesystem::path* failedFolder) {
  int err = 0;
  std::set<dev_t> synced;
  for (const std::filesystem::path& folder : m_written) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int failure = fd < 0 ? errno : 0;
    struct stat st {};
    // One flush of the whole file system writes every copy on it; the
    // folder's own flush then covers the names.
    if (failure == 0 && ::fstat(fd, &st) == 0 && synced.insert(st.st_dev).second &&
        ::syncfs(fd) != 0)
      failure = errno;
    // Some file systems cannot flush a folder on its own (EINVAL).
    if (failure == 0 && ::fsync(fd) != 0 && errno != EINVAL) failure = errno;
    if (fd >= 0) ::close(fd);
    if (failure != 0 && err == 0) {
      err = failure;
      if (failedFolder != nullptr) *failedFolder = folder;
    }
  }
  m_active = false;
  m_cleaned.clear();
  m_written.clear();
  return err;
}
