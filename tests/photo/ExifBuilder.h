// Builds small JPEG files with an EXIF block for the photo tests, and reads
// EXIF blocks back into a plain form for comparison.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace exiftest {

using Bytes = std::vector<std::uint8_t>;

struct JpegLayout {
  bool bigEndian = false;  // "MM" (SONY style) or "II" (Canon style)
  std::string make = "Canon";
  std::optional<std::string> dateTimeOriginal = "2008:05:01 08:00:00";
  bool app0 = false;           // JFIF APP0 before the EXIF APP1
  bool foreignApp1 = false;    // an APP1 whose identifier does not begin with 'E' first
  bool exifPointer = true;     // IFD0 points to an Exif IFD
  bool makerNote = true;       // Exif IFD holds a maker note IFD
  bool interop = true;         // Exif IFD points to an Interoperability IFD
  bool ifd1 = true;            // thumbnail IFD with tag 513
  bool gps = false;            // IFD0 already points to a GPS IFD
  bool zeroCountIfd0 = false;  // IFD0 count 0 followed by the real count
  bool printIm = false;        // IFD0 tag 50341, above the GPS pointer's tag
  std::uint32_t ifd0Offset = 8;
  std::size_t exifPadding = 0;  // extra undefined bytes in the Exif IFD (big segments)
};

Bytes BuildJpeg(const JpegLayout& layout);
// Bytes that follow the EXIF APP1 segment in every built file.
Bytes ImageTail();

// An EXIF block read back: the fields of each IFD with their values
// resolved, keyed by IFD name ("IFD0", "Exif", "Interop", "MakerNote",
// "IFD1", "GPS"), plus the thumbnail bytes.
struct Field {
  std::uint16_t tag, type;
  std::uint32_t count;
  Bytes value;  // pointer tags hold no value here
  bool operator==(const Field&) const = default;
};
struct ParsedExif {
  bool bigEndian = false;
  std::uint32_t segmentLength = 0;
  std::map<std::string, std::vector<Field>> ifds;
  std::map<std::string, std::uint32_t> ifdOffsets;
  Bytes thumbnail;
  Bytes tail;                         // the file after the APP1 segment
  std::vector<std::string> problems;  // anything a strict reader would flag
};
ParsedExif ParseJpeg(const Bytes& file, bool sonyMakerHeader);

// Values of one field read as numbers in the block's byte order.
std::uint32_t FieldU32(const ParsedExif& exif, const Field& field, int index);
const Field* FindField(const ParsedExif& exif, const std::string& ifd, std::uint16_t tag);

}  // namespace exiftest
