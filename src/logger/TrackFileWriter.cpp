// Cutting the ordered record table into TRL files: one file per track
// segment, the Total file and the Waypoints file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/UtilityManager.h"
#include "framework/Strings.h"
#include "logger/LogSlots.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/AtomicFile.h"

namespace {

// Local time of a record as "YYYYMMDD-hhmmss".
std::string TimeText(const TrackRecord& record) {
  const std::time_t t = static_cast<std::time_t>(record.Time());
  std::tm local{};
  if (!localtime_r(&t, &local)) return std::string();
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

// The user name comes from the logger: as a part of a file name it may
// hold neither a separator nor control characters.
std::string SafeNamePart(std::string name) {
  for (char& c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || u < 0x20 || u == 0x7F) c = '_';
  }
  return name;
}

void Append(std::string& data, const TrackRecord& record) {
  data.append(reinterpret_cast<const char*>(record.bytes), kTrackRecordSize);
}

}  // namespace

BOOL CPageMTKTracklogSetting::WriteRecords(const BYTE* buffer, std::FILE* stream) {
  if (!buffer || !stream) return FALSE;
  for (int i = 0; i < 4096; ++i) {
    const BYTE* slot = buffer + i * kTrackRecordSize;
    if (logslots::AllBytes(slot, 16, 0xFF) || logslots::AllBytes(slot, 16, 0x00)) continue;
    if (std::fwrite(slot, kTrackRecordSize, 1, stream) != 1) return FALSE;
  }
  return TRUE;
}

// Writes one TRL file through a temporary beside it; a failure is reported
// in the status dialog and remembered for the download's status line.
BOOL CPageMTKTracklogSetting::WriteTrackFile(const std::string& name, const std::string& data) {
  const std::string path = name + ".trl";
  const int err = WriteFileAtomically(path, data, 0666);
  std::string line;
  if (err == 0) {
    line = LoadString(IDS_FILESTATUS_CREATED) + " " + path;
  } else {
    line = LoadString(IDS_FILESTATUS_FAILED) + " " + path + " (" + std::strerror(err) + ")";
    if (m_strTrackFileError.empty()) m_strTrackFileError = line;
  }
  if (m_pFileStatusDlg) m_pFileStatusDlg->AddLine(line.c_str());
  return err == 0;
}

BOOL CPageMTKTracklogSetting::WriteTrackFiles(const std::string& prefix) {
  if (m_pFileStatusDlg && m_pFileStatusDlg->GetSafeHwnd()) m_pFileStatusDlg->ShowWindow(SW_SHOW);
  m_strTrackFileError.clear();
  const int count = m_nEntryCount;
  const TrackRecord* table = m_orderedTable.get();

  // Segments between the markers; (-1, -1) marks an empty one.
  std::vector<std::pair<int, int>> segments;
  segments.reserve(static_cast<std::size_t>(m_nSegmentMarkerCount) + 2);
  int start = 0;
  for (int i = 0; i < count; ++i) {
    if (!logslots::IsSegmentMarker(table[i].bytes)) continue;
    segments.emplace_back(i == 0 ? std::make_pair(-1, -1) : std::make_pair(start, i - 1));
    start = i + 1;
  }
  segments.emplace_back(start <= count - 1 ? std::make_pair(start, count - 1)
                                           : std::make_pair(-1, -1));
  auto written = [](const std::pair<int, int>& s) { return s.first >= 0 && s.second >= s.first; };

  std::string startText, finishText;
  for (const auto& s : segments)
    if (written(s)) {
      if (startText.empty()) startText = TimeText(table[s.first]);
      finishText = TimeText(table[s.second]);
    }

  const std::string user = SafeNamePart(g_utilityManager.GetUserName());
  m_strTotalFileName = prefix + user + "_R-710_Total_Start_" + startText + "_Finish_" + finishText;
  m_strWaypointFileName = prefix + user + "_R-710_Waypoints";
  m_segmentFileNames.assign(segments.size(), std::string());

  BOOL ok = TRUE;
  std::string total, waypoints;
  std::set<std::string> taken;
  for (std::size_t n = 0; n < segments.size(); ++n) {
    const auto& s = segments[n];
    if (!written(s)) continue;
    const std::string base = prefix + user + "_R-710_Start_" + TimeText(table[s.first]) +
                             "_Finish_" + TimeText(table[s.second]);
    // Segments of the same start and finish second must not replace each
    // other: later ones are numbered.
    std::string name = base;
    for (int k = 2; !taken.insert(name).second; ++k) name = base + "_" + std::to_string(k);
    std::string data;
    for (int e = s.first; e <= s.second; ++e) {
      if (m_orderedWaypointFlags[e] == 1) {
        Append(waypoints, table[e]);
        continue;
      }
      Append(data, table[e]);
      if (m_bWriteTotal) Append(total, table[e]);
    }
    if (WriteTrackFile(name, data))
      m_segmentFileNames[n] = name;
    else
      ok = FALSE;
  }
  if (m_bWriteTotal && !WriteTrackFile(m_strTotalFileName, total)) {
    m_strTotalFileName.clear();
    ok = FALSE;
  }
  if (m_nWaypointCount > 0 && !WriteTrackFile(m_strWaypointFileName, waypoints)) {
    m_strWaypointFileName.clear();
    ok = FALSE;
  }
  return ok;
}
