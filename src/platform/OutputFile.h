// An output written under an exclusive temporary name beside its final name
// (see TempFile.h) and renamed over it only when complete, so that a failed
// or killed write never leaves a partial output nor damages an earlier one.
#pragma once

#include <cstdio>
#include <filesystem>

class OutputBatch;

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Discard(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Removes the temporaries that killed writers left for path and creates a
  // new one. The output will have the mode of the file it replaces, or mode
  // less the umask when new. A folder at path is refused with EISDIR before
  // anything is written; an existing file at path that the user may not
  // write, or that nobody may write (so also for root), with EACCES.
  // With an active batch, the batch cleans the folder (once) and the commit
  // leaves durability to the batch's end. Returns 0 or the errno of the
  // failing step.
  int Create(const std::filesystem::path& path, unsigned mode = 0666, OutputBatch* batch = nullptr);
  bool IsOpen() const { return m_fd >= 0; }
  // The temporary as a descriptor, and as a "wb" stream writing to that
  // descriptor (made on the first call; null with errno set when it cannot
  // be).
  int Descriptor() const { return m_fd; }
  std::FILE* Stream();
  const std::filesystem::path& Path() const { return m_path; }
  const std::filesystem::path& TemporaryPath() const { return m_temp; }
  // Flushes the stream, makes the temporary durable (unless in a batch),
  // renames it over the output and closes it. Returns 0, or the errno of the
  // first failing step, the stream's first failed write included (the
  // temporary is then removed and the output as it was; only a failure to
  // close after the rename leaves the new output in place).
  int Commit();
  // Removes and closes the temporary; the output stays as it was.
  void Discard();

  // Where the stream's writes go and the first error they met.
  struct Sink {
    int fd = -1;
    int error = 0;
  };

 private:
  std::filesystem::path m_path;
  std::filesystem::path m_temp;
  int m_fd = -1;
  std::FILE* m_stream = nullptr;
  Sink m_sink;
  OutputBatch* m_batch = nullptr;  // not owned; null for a single output
};
