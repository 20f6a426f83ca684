// The KML files of a chipset log download, written from its TRL files, and
// the whole track for the options dialog's own Text and KML outputs.
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "common/FailureText.h"
#include "formats/StepByStepDlg.h"
#include "formats/TrackLogExport.h"
#include "logger/PageMTKTracklogSetting.h"
#include "res/AllIds.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

BOOL CPageMTKTracklogSetting::ConvertOneTrackFile(const std::string& name, BOOL withPhotos) {
  const std::string trl = name + ".trl";
  const std::string kml = CTrackLogExport::MakeOutputFileName(trl, kTrackOutputKml);
  std::string error;
  const BOOL ok = withPhotos ? CombineTrackFileWithPhotos(trl, kml, error)
                             : CTrackLogExport::ConvertTrlFile(trl, kml, kTrackOutputKml, &error);
  if (!ok) {
    ReportFileError(error);
    return FALSE;
  }
  if (m_pFileStatusDlg && m_pFileStatusDlg->GetSafeHwnd())
    m_pFileStatusDlg->AddLine((LoadString(IDS_FILESTATUS_CREATED) + " " + kml).c_str());
  return TRUE;
}

std::vector<std::string> CPageMTKTracklogSetting::FilesToConvert() const {
  std::vector<std::string> names;
  for (const std::string& name : m_segmentFileNames)
    if (!name.empty()) names.push_back(name);
  if (m_bWriteTotal && !m_strTotalFileName.empty()) names.push_back(m_strTotalFileName);
  if (m_nWaypointCount > 0 && !m_strWaypointFileName.empty())
    names.push_back(m_strWaypointFileName);
  return names;
}

BOOL CPageMTKTracklogSetting::ConvertFilesFrom(BOOL withPhotos, BOOL skipAll) {
  BOOL ok = !skipAll;
  for (const std::string& name : FilesToConvert()) {
    if (ok) {
      ok = ConvertOneTrackFile(name, withPhotos);  // a failure names its own file
      continue;
    }
    if (m_pFileStatusDlg && m_pFileStatusDlg->GetSafeHwnd())
      m_pFileStatusDlg->AddLine(
          (LoadString(IDS_FILESTATUS_NOT_CONVERTED) + " " +
           CTrackLogExport::MakeOutputFileName(name + ".trl", kTrackOutputKml))
              .c_str());
  }
  return ok;
}

BOOL CPageMTKTracklogSetting::ConvertTrackFiles() { return ConvertFilesFrom(FALSE, FALSE); }

BOOL CPageMTKTracklogSetting::ConvertTrackFilesWithPhotos() {
  return ConvertFilesFrom(TRUE, FALSE);
}

BOOL CPageMTKTracklogSetting::WriteCombinedOutputs(CStepByStepDlg& options) {
  if (!options.m_pTextFile && !options.m_pKmlFile) return TRUE;
  // The segment files one after the other make the whole track.
  FilePtr whole(std::tmpfile());
  if (!whole) {
    ReportFileError(FailureText(IDS_CANNOT_CREATE, P_tmpdir, errno));
    return FALSE;
  }
  for (const std::string& name : m_segmentFileNames) {
    if (name.empty()) continue;
    FilePtr segment(std::fopen((name + ".trl").c_str(), "rb"));
    if (!segment) {
      ReportFileError(FailureText(IDS_CANNOT_OPEN, name + ".trl", errno));
      return FALSE;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, segment.get())) > 0)
      if (std::fwrite(buffer, 1, n, whole.get()) != n) {
        ReportFileError(FailureText(IDS_CANNOT_WRITE, P_tmpdir, errno));
        return FALSE;
      }
  }
  struct Output {
    std::FILE* stream;
    const std::string& path;
    TrackOutputFormat format;
    CStepByStepDlg::Output which;
  };
  for (const Output& out : {Output{options.m_pTextFile, options.m_strTextPath, kTrackOutputText,
                                   CStepByStepDlg::kTextOutput},
                            Output{options.m_pKmlFile, options.m_strKmlPath, kTrackOutputKml,
                                   CStepByStepDlg::kKmlOutput}}) {
    if (!out.stream) continue;
    // Written to its temporary, which replaces the chosen file only when whole.
    int err = CTrackLogExport::WriteFormat(out.format, whole.get(), out.stream) ? 0 : errno;
    if (err == 0) err = options.CommitOutput(out.which);
    if (err != 0) {
      ReportFileError(FailureText(IDS_CANNOT_WRITE, out.path, err));
      return FALSE;
    }
    if (m_pFileStatusDlg && m_pFileStatusDlg->GetSafeHwnd())
      m_pFileStatusDlg->AddLine((LoadString(IDS_FILESTATUS_CREATED) + " " + out.path).c_str());
  }
  return TRUE;
}
