// The photo KML written beside its final name: a temporary file created
// exclusively in the target folder, moved over the target only when the job
// has written it completely, so a failed job never replaces an earlier file.
#pragma once

#include <string>

#include "formats/UnicodeTextFile.h"

class CPhotoKmlOutput {
 public:
  explicit CPhotoKmlOutput(std::string target);
  ~CPhotoKmlOutput();  // removes the temporary unless committed
  CPhotoKmlOutput(const CPhotoKmlOutput&) = delete;
  CPhotoKmlOutput& operator=(const CPhotoKmlOutput&) = delete;

  // Creates the temporary and opens file on it for UTF-16LE writing. FALSE
  // with a message naming the target when it cannot be created.
  BOOL Open(CUnicodeTextFile& file, std::string& error);
  // Makes the written (and closed) file durable and renames it over the
  // target. FALSE with a message when that fails; the target is then as
  // it was.
  BOOL Commit(std::string& error);

 private:
  std::string m_target;
  std::string m_temporary;
  int m_fd = -1;  // the temporary as created, kept for the final sync
};
