#include "photo/PhotoKmlOutput.h"

#include <sys/stat.h>

#include <cerrno>

#include "common/FailureText.h"
#include "res/AllIds.h"

BOOL CPhotoKmlOutput::Open(CUnicodeTextFile& file, std::string& error) {
  if (const int err = m_output.Create(m_target); err != 0) {
    error = FailureText(IDS_CANNOT_CREATE, m_target, err);
    return FALSE;
  }
  // The file object opens the temporary by name; it must be the file just
  // created, not one put in its place meanwhile.
  CFileException failure;
  struct stat created {
  }, opened{};
  if (!file.Open(m_output.TemporaryPath().string(),
                 CFile::modeWrite | CFile::typeText | CUnicodeTextFile::modeWriteUnicode,
                 &failure)) {
    m_output.Discard();
    error = FailureText(IDS_CANNOT_CREATE, m_target, failure.m_lOsError);
    return FALSE;
  }
  if (::fstat(m_output.Descriptor(), &created) != 0 || ::fstat(file.m_hFile, &opened) != 0 ||
      created.st_dev != opened.st_dev || created.st_ino != opened.st_ino) {
    file.Abort();
    m_output.Discard();
    error = FailureText(IDS_CANNOT_CREATE, m_target, EEXIST);
    return FALSE;
  }
  return TRUE;
}

BOOL CPhotoKmlOutput::Commit(std::string& error) {
  if (!m_output.IsOpen()) {
    error = FailureText(IDS_CANNOT_WRITE, m_target, EBADF);
    return FALSE;
  }
  if (const int err = m_output.Commit(); err != 0) {
    error = FailureText(IDS_CANNOT_WRITE, m_target, err);
    return FALSE;
  }
  return TRUE;
}
