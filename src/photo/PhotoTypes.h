// Working records of the photo matching: track points, photos and their
// time-ordered indexes. Times are signed 32-bit UTC seconds since 1970.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

// Capacity the photo job stores points up to; photo tables grow as needed.
constexpr int kMaxPhotoTablePoints = 140000;

struct TrackPoint {
  float fLongitude = 0;  // degrees, east positive
  float fLatitude = 0;   // degrees, north positive
  float fAltitude = 0;   // metres
  std::int32_t nTime = 0;
};

struct PointTimeIndex {
  int nPoint = 0;  // position in m_points
  std::int32_t nTime = 0;
};

struct PhotoRecord {
  std::string path;
  std::int32_t nAdjustedTime = 0;  // EXIF time plus the camera calibration
  std::int32_t nExifTime = 0;
  // False when the calibrated time left the 32-bit range; such a photo is never matched.
  bool bTimeInRange = true;
};

struct PhotoTimeIndex {
  int nPhoto = 0;  // position in m_photos
  std::int32_t nAdjustedTime = 0;
  int bMatched = 0;
  int nPoint = 0;  // position in m_points of the assigned point
};

// An angle as whole degrees, whole minutes and hundredths of seconds.
struct DmsValue {
  int nDegrees = 0;
  int nMinutes = 0;
  int nHundredthSeconds = 0;
};
