// The photo job: Convert on the page and the batch entry of the chipset log
// download, both around WritePhotoKml.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>

#include "app/VantoUtilityDlg.h"
#include "common/FailureText.h"
#include "common/UtilityManager.h"
#include "formats/TrackLogExport.h"
#include "formats/TrackLogReader.h"
#include "formats/UnicodeTextFile.h"
#include "framework/FileDialog.h"
#include "framework/Strings.h"
#include "framework/Time.h"
#include "photo/PageTrackLogPhoto.h"
#include "photo/PhotoKmlOutput.h"
#include "platform/CodePage.h"
#include "platform/ProcessTimeZone.h"
#include "res/common_ids.h"
#include "res/formats_ids.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

void CPageTrackLogPhoto::RunMainTimer(BOOL run) {
  if (auto* main = dynamic_cast<CVantoUtilityDlg*>(m_pMainDlg)) main->RunTimerThread(run);
}

void CPageTrackLogPhoto::OnConvert() {
  if (m_strTrlPath.empty()) {
    ShowError(LoadText(IDS_PHOTO_SELECT_TRL));
    return;
  }
  if (m_strPhotoFolder.empty()) {
    ShowError(LoadText(IDS_PHOTO_SELECT_FOLDER));
    return;
  }
  CTrackLogExport::SetConversionTimeZone(m_nPhotoZone);
  CFileDialog chooser(FALSE, "kml", "*.kml", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                      LoadText(IDS_FILTER_KML).c_str(), this);
  if (chooser.DoModal() != IDOK) return;
  RedrawWindow();
  m_strKmlPath = chooser.GetPathName();
  m_staticConvert.SetWindowText(LoadText(IDS_FORMAT_CONVERTING));

  std::string error;
  if (SameFile(m_strKmlPath, m_strTrlPath)) {
    error = FailureText(IDS_OUTPUT_IS_TRACK, m_strKmlPath);
  } else {
    CPhotoKmlOutput output(m_strKmlPath);
    auto file = std::make_unique<CUnicodeTextFile>();
    if (output.Open(*file, error)) {
      m_pKmlFile = file.get();
      m_strOutputName = m_strKmlPath;
      const BOOL written = WritePhotoKml();
      m_pKmlFile = nullptr;
      if (!written)
        error = m_strJobError;
      else
        output.Commit(error);
    }
  }
  if (!error.empty()) {
    m_strJobError = error;
    m_staticConvert.SetWindowText(error);
    ShowError(error);
    return;
  }
  m_staticConvert.SetWindowText(LoadText(IDS_FORMAT_CONVERTED));
}

BOOL CPageTrackLogPhoto::CombinePhotos(std::string trlPath, CUnicodeTextFile* file,
                                       std::string photoFolder) {
  m_strTrlPath = std::move(trlPath);
  m_pKmlFile = file;
  m_strPhotoFolder = std::move(photoFolder);
  m_bBatchMode = 1;
  m_strOutputName = file != nullptr ? file->GetFilePath() : std::string();
  CTrackLogExport::SetConversionTimeZone(m_nPhotoZone);
  const BOOL written = WritePhotoKml();
  m_bBatchMode = 0;
  m_pKmlFile = nullptr;
  return written;
}

BOOL CPageTrackLogPhoto::WritePhotoKml() {
  m_strJobError.clear();
  m_points.clear();
  m_pointNames.clear();
  m_nPointCount = 0;
  if (m_pKmlFile == nullptr || !m_pKmlFile->IsOpen()) {
    m_strJobError = FailureText(IDS_CANNOT_WRITE, m_strOutputName, EBADF);
    return FALSE;
  }
  // The program's texts and paths are UTF-8.
  m_pKmlFile->SetCodePage(static_cast<int>(CP_UTF8));
  FilePtr trl(std::fopen(m_strTrlPath.c_str(), "rb"));
  if (!trl) {
    m_strJobError = FailureText(IDS_CANNOT_OPEN, m_strTrlPath, errno);
    m_pKmlFile->Abort();
    return FALSE;
  }
  if (g_utilityManager.m_bHighSpeed) RunMainTimer(TRUE);

  // Every point with a local calendar form gets a placemark; the tables
  // grow with the track. Point times are signed 32-bit seconds: a record
  // at or after 2^31 s has no calendar form in them (it would wrap to 1901
  // and sort and match wrongly), so it gets no placemark and no photo and
  // is drawn only in the route.
  std::tm local{};
  const bool read = ForEachTrackRecord(trl.get(), [&](const TrackRecord& r) {
    if (r.Time() > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) return;
    if (!ProcessLocalTime(static_cast<std::time_t>(r.Time()), local)) return;
    m_points.push_back(
        {r.Longitude(), r.Latitude(), r.Altitude(), static_cast<std::int32_t>(r.Time())});
    m_pointNames.push_back(CalendarTimeText(local));
  });
  m_nPointCount = static_cast<int>(m_points.size());

  if (!read) {
    m_strJobError = FailureText(IDS_CANNOT_READ, m_strTrlPath, errno);
  } else {
    SortTrackPoints();
    ParsePhotos();
    ApplyCalibration();
    SortPhotos();
    MatchPhotos();
    m_gpsCopyBatch.Begin();
    try {
      if (!WriteKmlBody(trl.get()))
        m_strJobError = FailureText(IDS_CANNOT_READ, m_strTrlPath, errno);
      if (m_strJobError.empty()) m_pKmlFile->Close();
    } catch (const CFileException& e) {
      m_strJobError = FailureText(IDS_CANNOT_WRITE, m_strOutputName, e.m_lOsError);
    }
    FinishGpsCopies();
  }
  if (!m_strJobError.empty()) m_pKmlFile->Abort();
  if (g_utilityManager.m_bHighSpeed) RunMainTimer(FALSE);
  return m_strJobError.empty() ? TRUE : FALSE;
}

void CPageTrackLogPhoto::FinishGpsCopies() {
  std::filesystem::path folder;
  if (const int err = m_gpsCopyBatch.Finish(&folder); err != 0)
    AddResultLine(FailureText(IDS_CANNOT_WRITE, folder.string(), err));
}
