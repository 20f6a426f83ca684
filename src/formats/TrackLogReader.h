// Reading the records of a TRL file: whole 16-byte records from offset 0,
// a trailing partial record ignored.
#pragma once

#include <cmath>
#include <cstdio>

#include "logger/TrackRecord.h"

// A record the exports can show: intact check byte, finite coordinates in
// range and a finite altitude.
inline bool IsUsableTrackRecord(const TrackRecord& r) {
  if (!r.IsIntact()) return false;
  const float lat = r.Latitude(), lon = r.Longitude(), alt = r.Altitude();
  return std::isfinite(lat) && std::isfinite(lon) && std::isfinite(alt) && lat >= -90.0f &&
         lat <= 90.0f && lon >= -180.0f && lon <= 180.0f;
}

// Rewinds the source and calls fn for every usable record. False when the
// source could not be read.
template <typename Fn>
bool ForEachTrackRecord(std::FILE* source, Fn&& fn) {
  if (source == nullptr || std::fseek(source, 0, SEEK_SET) != 0) return false;
  TrackRecord buffer[256];
  for (;;) {
    const size_t n = std::fread(buffer, sizeof(TrackRecord), 256, source);
    for (size_t i = 0; i < n; ++i)
      if (IsUsableTrackRecord(buffer[i])) fn(buffer[i]);
    if (n < 256) break;
  }
  return !std::ferror(source);
}
