// The photo KML written beside its final name: a temporary file created
// exclusively in the target folder, moved over the target only when the job
// has written it completely, so a failed job never replaces an earlier file.
#pragma once

#include <string>

#include "formats/UnicodeTextFile.h"
#include "platform/OutputFile.h"

class CPhotoKmlOutput {
 public:
  explicit CPhotoKmlOutput(std::string target) : m_target(std::move(target)) {}
  // The temporary is removed unless committed.

  // Creates the temporary and opens file on it for UTF-16LE writing. FALSE
  // with a message naming the target when it cannot be created (also when
  // the target is a file the user may not write).
  BOOL Open(CUnicodeTextFile& file, std::string& error);
  // Makes the written (and closed) file durable and renames it over the
  // target. FALSE with a message when that fails; the target is then as
  // it was.
  BOOL Commit(std::string& error);
  // The temporary's name while it is open.
  const std::filesystem::path& Temporary() const { return m_output.TemporaryPath(); }

 private:
  std::string m_target;
  OutputFile m_output;
};
