// The KML of one TRL file with the photos of the chosen folder, written by
// the photo page's job into a file beside its name and moved there whole.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/VantoUtilityDlg.h"
#include "formats/UnicodeTextFile.h"
#include "logger/PageMTKTracklogSetting.h"
#include "photo/PageTrackLogPhoto.h"

BOOL CPageMTKTracklogSetting::CombineTrackFileWithPhotos(const std::string& trl,
                                                         const std::string& kml,
                                                         std::string& error) {
  auto* main = dynamic_cast<CVantoUtilityDlg*>(DownloadMainDialog());
  CPageTrackLogPhoto* photo = main ? main->m_pPageTrackLogPhoto : nullptr;
  if (!photo) {
    error = "No photo page for " + kml;
    return FALSE;
  }
  std::string temp = kml + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = "Cannot create " + kml + ": " + std::strerror(errno);
    return FALSE;
  }
  ::close(fd);
  auto file = std::make_unique<CUnicodeTextFile>();
  if (!file->Open(temp, CUnicodeTextFile::modeWriteUnicode | CFile::modeCreate | CFile::modeWrite |
                            CFile::typeText)) {
    error = "Cannot create " + kml;
    ::unlink(temp.c_str());
    return FALSE;
  }
  const BOOL written = photo->CombinePhotos(trl, file.get(), m_strPhotoFolder);
  file.reset();
  struct stat st {};
  if (!written || ::stat(temp.c_str(), &st) != 0 || st.st_size == 0) {
    error = written || photo->m_strJobError.empty() ? "Cannot write " + kml : photo->m_strJobError;
    ::unlink(temp.c_str());
    return FALSE;
  }
  ::chmod(temp.c_str(), 0644);
  if (std::rename(temp.c_str(), kml.c_str()) != 0) {
    error = "Cannot create " + kml + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
    return FALSE;
  }
  return TRUE;
}
