// The EXIF block of a JPEG: locating its APP1 segment and reading the TIFF
// structure inside it, with every offset checked against the segment.
#pragma once

#include <cstdint>
#include <string>

#include "photo/ExifBytes.h"

inline constexpr char kNotExifFormat[] = "Not EXIF format.";

enum ExifTag : std::uint32_t {
  kTagMake = 271,
  kTagThumbnailOffset = 513,
  kTagExifIfd = 34665,
  kTagGpsIfd = 34853,
  kTagDateTimeOriginal = 36867,
  kTagMakerNote = 37500,
  kTagInteropIfd = 40965,
};

struct ExifSegment {
  std::uint64_t nMarkerPos = 0;   // position of the APP1 marker
  std::uint32_t nLength = 0;      // segment length field (counts itself)
  std::uint64_t nTiffBase = 0;    // first byte of the TIFF header
  std::uint64_t nTiffLength = 0;  // bytes from the TIFF base to the segment's end
  bool bBigEndian = false;
};

// Walks the segments after the start of image: APP0 and non-EXIF APP1
// segments are skipped; the first APP1 whose identifier begins with 'E' is
// the EXIF block. False (a format error) for any other marker, a bad
// length, a segment reaching past the file or a byte order other than
// "II"/"MM".
bool LocateExifSegment(const ExifByteSource& source, ExifSegment& segment);

// One 12-byte IFD entry.
struct ExifEntry {
  std::uint32_t nTag = 0;
  std::uint32_t nType = 0;
  std::uint32_t nCount = 0;
  std::uint32_t nValue = 0;  // bytes 8-11 read as a number
};

// Reads the TIFF structure of a located segment; offsets count from the
// TIFF base and never reach past the segment.
class ExifTiffReader {
 public:
  ExifTiffReader(const ExifByteSource& source, const ExifSegment& segment)
      : m_source(source), m_segment(segment) {}

  bool Contains(std::uint64_t offset, std::uint64_t count) const {
    return offset <= m_segment.nTiffLength && count <= m_segment.nTiffLength - offset;
  }
  bool Read(std::uint64_t offset, void* out, std::size_t count) const;
  bool U16(std::uint64_t offset, std::uint32_t& value) const;
  bool U32(std::uint64_t offset, std::uint32_t& value) const;
  bool Entry(std::uint64_t offset, ExifEntry& entry) const;
  // Looks for `tag` among `count` entries starting at `entriesOffset`.
  // False when the entries do not fit the segment.
  bool FindTag(std::uint64_t entriesOffset, std::uint32_t count, std::uint32_t tag, bool& found,
               ExifEntry& entry) const;

 private:
  const ExifByteSource& m_source;
  const ExifSegment& m_segment;
};

// Reads the 20-byte DateTimeOriginal text of the photo. On failure the
// message is kNotExifFormat, or `notFound` when the Exif IFD pointer or the
// date entry is missing.
bool ExifReadDateText(const ExifByteSource& source, char (&text)[21], std::string& message,
                      const std::string& notFound);

// Converts an EXIF date text "YYYY:MM:DD HH:MM:SS" in the process time zone.
// False when the moment lies outside 1970 to the end of the 32-bit range.
bool ExifDateTextToTime(const char* text, std::int32_t& time);
