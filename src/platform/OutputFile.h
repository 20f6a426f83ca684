// An output written under an exclusive temporary name beside its final name
// (see TempFile.h) and renamed over it only when complete, so that a failed
// or killed write never leaves a partial output nor damages an earlier one.
#pragma once

#include <cstdio>
#include <filesystem>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Discard(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Removes the temporaries that killed writers left for path and creates a
  // new one. The output will have the mode of the file it replaces, or mode
  // less the umask when new. An existing file at path that the user may not
  // write, or that nobody may write (so also for root), is refused with
  // EACCES. Returns 0 or the errno of the failing step.
  int Create(const std::filesystem::path& path, unsigned mode = 0666);
  bool IsOpen() const { return m_fd >= 0; }
  // The temporary as a descriptor, and as a "wb" stream on a descriptor of
  // its own (opened on the first call; null with errno set when it cannot be).
  int Descriptor() const { return m_fd; }
  std::FILE* Stream();
  const std::filesystem::path& Path() const { return m_path; }
  const std::filesystem::path& TemporaryPath() const { return m_temp; }
  // Flushes the stream, makes the temporary durable, closes it and renames
  // it over the output. Returns 0, or the errno of the failing step (the
  // temporary is then removed and the output as it was).
  int Commit();
  // Closes and removes the temporary; the output stays as it was.
  void Discard();

 private:
  std::filesystem::path m_path;
  std::filesystem::path m_temp;
  int m_fd = -1;
  std::FILE* m_stream = nullptr;
};
