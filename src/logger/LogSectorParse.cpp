// The chipset log's sectors: filtering the slots, testing the records and
// keeping them in log order across the ring's wrap-around.
#include <algorithm>
#include <cstring>
#include <ctime>

#include "logger/LogSlots.h"
#include "logger/PageMTKTracklogSetting.h"

using namespace logslots;

namespace {

// Year of a record's time in local time; 1900 when it cannot be converted.
int LocalYear(std::uint32_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return 1900;
  return local.tm_year + 1900;
}

int CurrentUtcYear() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  if (!gmtime_r(&now, &utc)) return 1900;
  return utc.tm_year + 1900;
}

}  // namespace

BYTE CPageMTKTracklogSetting::CheckRecordXor(const BYTE* record) {
  BYTE x = 0;
  for (int i = 0; i < 15; ++i) x ^= record[i];
  return x;
}

void CPageMTKTracklogSetting::ResetParseState() {
  std::fill_n(m_recordTable.get(), kMaxLogEntries, TrackRecord{});
  std::fill_n(m_orderedTable.get(), kMaxLogEntries, TrackRecord{});
  std::fill_n(m_waypointFlags.get(), kMaxLogEntries, 0);
  std::fill_n(m_orderedWaypointFlags.get(), kMaxLogEntries, 0);
  m_segmentFileNames.clear();
  m_strTotalFileName.clear();
  m_strWaypointFileName.clear();
  m_strTrackFileError.clear();
  m_nEntryCount = 0;
  m_nSegmentMarkerCount = 0;
  m_nWaypointCount = 0;
  m_nValidRecordCount = 0;
  m_nPreviousTime = 0;
  m_nCurrentTime = 0;
  m_bWrapped = 0;
  m_nWrapStart = 0;
  m_nWrapEnd = 0;
  m_bWaypointPending = 0;
  m_bChecksumGood = 1;
  m_bResume = 0;
  m_nNextPieceIndex = 0;
}

int CPageMTKTracklogSetting::FilterSectorRecords(const BYTE* sector, BYTE* out) {
  int kept = 0;
  for (int i = 0; i < kSectorSlots; ++i) {
    const BYTE* slot = sector + kSectorHeaderSize + i * kTrackRecordSize;
    if (IsSeparator(slot) || IsErased(slot)) continue;
    std::memcpy(out + kept * kTrackRecordSize, slot, kTrackRecordSize);
    ++kept;
  }
  return kept;
}

void CPageMTKTracklogSetting::ParseSector(const BYTE* sector) {
  const int currentYear = CurrentUtcYear();
  for (int i = 0; i < kSectorSlots; ++i) {
    const BYTE* slot = sector + kSectorHeaderSize + i * kTrackRecordSize;
    // A full table takes nothing more (the log memory cannot hold more).
    if (m_nEntryCount >= kMaxLogEntries) break;
    if (IsSegmentMarker(slot)) {
      // A marker where a waypoint record was announced: the waypoint is lost.
      m_bWaypointPending = 0;
      std::memcpy(m_recordTable[m_nEntryCount].bytes, slot, kTrackRecordSize);
      m_waypointFlags[m_nEntryCount] = 0;
      ++m_nSegmentMarkerCount;
      ++m_nEntryCount;
      continue;
    }
    if (IsSeparator(slot) || IsErased(slot)) {
      m_bWaypointPending = 0;
      continue;
    }
    if (IsWaypointMarker(slot)) {
      // The next slot, possibly the first of the next sector, holds the
      // waypoint record.
      ++m_nWaypointCount;
      m_bWaypointPending = 1;
      continue;
    }
    const bool waypoint = m_bWaypointPending != 0;
    m_bWaypointPending = 0;

    const std::uint32_t time =
        static_cast<std::uint32_t>(slot[0]) | static_cast<std::uint32_t>(slot[1]) << 8 |
        static_cast<std::uint32_t>(slot[2]) << 16 | static_cast<std::uint32_t>(slot[3]) << 24;
    const int year = LocalYear(time);
    const bool valid =
        CheckRecordXor(slot) == slot[15] && year >= currentYear - 3 && year <= currentYear + 3;
    // An invalid record is dropped, and with it its waypoint flag: the next
    // record stays in its own segment.
    if (!valid) continue;

    ++m_nValidRecordCount;
    std::memcpy(m_recordTable[m_nEntryCount].bytes, slot, kTrackRecordSize);
    m_waypointFlags[m_nEntryCount] = waypoint ? 1 : 0;
    if (m_nValidRecordCount == 1) {
      m_nPreviousTime = m_nCurrentTime = static_cast<int>(time);
    } else {
      m_nPreviousTime = m_nCurrentTime;
      m_nCurrentTime = static_cast<int>(time);
    }
    if (m_nCurrentTime < m_nPreviousTime) {
      m_nWrapStart = m_nEntryCount;
      m_nWrapEnd = m_nEntryCount - 1;
      m_bWrapped = 1;
    }
    ++m_nEntryCount;
  }

  // The ordered table: from the wrap point to the end, then the start.
  int out = 0;
  auto copy = [&](int from, int to) {
    for (int e = from; e <= to; ++e, ++out) {
      m_orderedTable[out] = m_recordTable[e];
      m_orderedWaypointFlags[out] = m_waypointFlags[e];
    }
  };
  const int start = m_bWrapped ? m_nWrapStart : 0;
  copy(start, m_nEntryCount - 1);
  if (m_bWrapped) copy(0, m_nWrapEnd);
}
