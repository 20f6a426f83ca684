// The output file of an upload: written under a temporary name created
// exclusively beside the chosen path and moved into place only when the
// whole transfer arrived, so a failed upload never leaves a partial file or
// replaces a good one.
#pragma once

#include <cstdio>
#include <string>

class CTransferOutputFile {
 public:
  CTransferOutputFile() = default;
  ~CTransferOutputFile();
  CTransferOutputFile(const CTransferOutputFile&) = delete;
  CTransferOutputFile& operator=(const CTransferOutputFile&) = delete;

  // Creates the temporary file; false (errno set) when it cannot be made.
  bool Create(const std::string& path);
  // The temporary file as a descriptor (raw blocks) and as a stream (text).
  int Descriptor() const { return m_fd; }
  std::FILE* Stream() const { return m_stream; }
  // Flushes and closes the temporary file and renames it to the chosen
  // path; false (errno set) when any step failed.
  bool Commit();
  // Removes the temporary file.
  void Discard();

 private:
  std::string m_path;
  std::string m_temp;
  int m_fd = -1;
  std::FILE* m_stream = nullptr;
};
