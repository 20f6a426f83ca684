// Folder scan, date reading of all photos, calibration, time ordering and
// the matching of photos to track points.
#include <algorithm>
#include <cstdio>
#include <limits>

#include "framework/FileFind.h"
#include "photo/ExifLayout.h"
#include "photo/PageTrackLogPhoto.h"

namespace {

// Points further apart than this give no match for a photo between them.
constexpr std::int32_t kMaxPointGapSeconds = 120;

}  // namespace

void CPageTrackLogPhoto::FindPhotos() {
  // The finder matches case-insensitively and lists in name order, so
  // results do not depend on the file system's order. Folders named *.jpg
  // are not photos.
  m_photos.clear();
  m_nPhotoCount = 0;
  if (m_strPhotoFolder.empty()) return;  // no folder chosen: not the root folder
  CFileFind finder;
  BOOL more = finder.FindFile(m_strPhotoFolder + "/*.jpg");
  while (more) {
    more = finder.FindNextFile();
    if (finder.IsDirectory()) continue;
    m_photos.push_back(PhotoRecord{finder.GetFilePath()});
  }
  m_nPhotoCount = static_cast<int>(m_photos.size());
}

void CPageTrackLogPhoto::ParsePhotos() {
  m_photos.clear();
  m_gpsCopySources.clear();
  FindPhotos();
  ResetResultList();
  m_nParsePass = 0;
  m_nParseError = 0;
  m_parseMessage.assign(m_photos.size(), std::string());

  for (int i = 0; i < m_nPhotoCount; ++i) {
    PhotoRecord& photo = m_photos[i];
    int failed = 0;
    ReadExifDateTime(photo.path, photo.nAdjustedTime, failed, m_parseMessage[i]);
    if (m_bBatchMode) continue;
    const std::string parsed = LoadText(IDS_PHOTO_PARSED);
    if (failed) {
      ++m_nParseError;
      AddResultLine(parsed + " " + LoadText(IDS_PHOTO_ERROR) + photo.path + ";" +
                    m_parseMessage[i]);
    } else {
      ++m_nParsePass;
      AddResultLine(parsed + " " + LoadText(IDS_PHOTO_PASS) + photo.path);
    }
    const std::string pass = LoadText(IDS_PHOTO_PASS);
    const std::string error = LoadText(IDS_PHOTO_ERROR);
    SetStatusText(parsed + ": " + pass + std::to_string(m_nParsePass) + " " + error +
                  std::to_string(m_nParseError) + " ");
  }
}

void CPageTrackLogPhoto::ApplyCalibration() {
  for (PhotoRecord& photo : m_photos) {
    photo.nExifTime = photo.nAdjustedTime;
    const std::int64_t adjusted = std::int64_t{photo.nExifTime} + m_nCalibrationSeconds;
    photo.bTimeInRange = adjusted >= std::numeric_limits<std::int32_t>::min() &&
                         adjusted <= std::numeric_limits<std::int32_t>::max();
    photo.nAdjustedTime = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(adjusted, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
  }
}

// Both orders are stable: equal times keep their array order.
void CPageTrackLogPhoto::SortTrackPoints() {
  const int count = std::clamp(m_nPointCount, 0, static_cast<int>(m_points.size()));
  m_pointOrder.resize(count);
  for (int i = 0; i < count; ++i) m_pointOrder[i] = {i, m_points[i].nTime};
  std::stable_sort(
      m_pointOrder.begin(), m_pointOrder.end(),
      [](const PointTimeIndex& a, const PointTimeIndex& b) { return a.nTime < b.nTime; });
}

void CPageTrackLogPhoto::SortPhotos() {
  const int count = std::clamp(m_nPhotoCount, 0, static_cast<int>(m_photos.size()));
  m_photoOrder.resize(count);
  for (int i = 0; i < count; ++i) m_photoOrder[i] = {i, m_photos[i].nAdjustedTime, 0, 0};
  std::stable_sort(m_photoOrder.begin(), m_photoOrder.end(),
                   [](const PhotoTimeIndex& a, const PhotoTimeIndex& b) {
                     return a.nAdjustedTime < b.nAdjustedTime;
                   });
}

void CPageTrackLogPhoto::PickNearerPoint(std::int32_t earlierTime, std::int32_t laterTime,
                                         std::int32_t photoTime, int& choice) {
  choice = std::int64_t{laterTime} - photoTime < std::int64_t{photoTime} - earlierTime ? 1 : 0;
}

void CPageTrackLogPhoto::MatchPhotos() {
  const std::size_t pointCount = m_pointOrder.size();
  std::size_t start = 0;
  int pass = 0, failed = 0;
  for (PhotoTimeIndex& entry : m_photoOrder) {
    const std::int32_t t = entry.nAdjustedTime;
    const PhotoRecord& photo = m_photos[entry.nPhoto];
    if (photo.bTimeInRange) {
      // First point strictly later than the photo, searched from where the
      // previous match was (photos come in time order).
      const auto later = std::upper_bound(
          m_pointOrder.begin() + static_cast<std::ptrdiff_t>(start), m_pointOrder.end(), t,
          [](std::int32_t time, const PointTimeIndex& point) { return time < point.nTime; });
      const std::size_t k = static_cast<std::size_t>(later - m_pointOrder.begin());
      if (k < pointCount && k > 0) {
        const PointTimeIndex& earlier = m_pointOrder[k - 1];
        const PointTimeIndex& later = m_pointOrder[k];
        if (std::int64_t{later.nTime} - earlier.nTime <= kMaxPointGapSeconds) {
          int choice = 0;
          PickNearerPoint(earlier.nTime, later.nTime, t, choice);
          const std::size_t chosen = choice ? k : k - 1;
          entry.bMatched = 1;
          entry.nPoint = m_pointOrder[chosen].nPoint;
          start = chosen;
        }
      }
    }
    if (m_bBatchMode) continue;
    const std::string combined = LoadText(IDS_PHOTO_COMBINED);
    if (entry.bMatched) {
      ++pass;
      AddResultLine(combined + LoadText(IDS_PHOTO_PASS) + photo.path);
    } else {
      ++failed;
      const std::string failedText = LoadText(IDS_PHOTO_FAILED);
      AddResultLine(combined + " " + failedText + photo.path + ";" + LoadText(IDS_PHOTO_NO_POINT));
    }
  }
  if (m_bBatchMode) return;
  const std::string combined = LoadText(IDS_PHOTO_COMBINED);
  const std::string passText = LoadText(IDS_PHOTO_PASS);
  const std::string errorText = LoadText(IDS_PHOTO_ERROR);
  SetStatusText(GetStatusText() + "\n" + combined + ": " + passText + std::to_string(pass) + " " +
                errorText + std::to_string(failed));
}
