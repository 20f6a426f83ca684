// The KML of one TRL file with the photos of the chosen folder, written by
// the photo page's job into a file beside its name and moved there whole.
#include <sys/stat.h>

#include <memory>

#include "app/VantoUtilityDlg.h"
#include "common/FailureText.h"
#include "formats/UnicodeTextFile.h"
#include "logger/PageMTKTracklogSetting.h"
#include "photo/PageTrackLogPhoto.h"
#include "photo/PhotoKmlOutput.h"
#include "res/AllIds.h"

BOOL CPageMTKTracklogSetting::CombineTrackFileWithPhotos(const std::string& trl,
                                                         const std::string& kml,
                                                         std::string& error) {
  auto* main = dynamic_cast<CVantoUtilityDlg*>(DownloadMainDialog());
  CPageTrackLogPhoto* photo = main ? main->m_pPageTrackLogPhoto : nullptr;
  if (!photo) {
    error = "No photo page for " + kml;
    return FALSE;
  }
  CPhotoKmlOutput output(kml);
  auto file = std::make_unique<CUnicodeTextFile>();
  if (!output.Open(*file, error)) return FALSE;
  const BOOL written = photo->CombinePhotos(trl, file.get(), m_strPhotoFolder);
  file.reset();
  struct stat st {};
  if (!written || ::stat(output.Temporary().c_str(), &st) != 0 || st.st_size == 0) {
    error = written || photo->m_strJobError.empty() ? FailureText(IDS_CANNOT_WRITE, kml)
                                                    : photo->m_strJobError;
    return FALSE;
  }
  return output.Commit(error);
}
