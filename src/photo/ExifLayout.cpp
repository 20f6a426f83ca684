#include "photo/ExifLayout.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/ProcessTimeZone.h"

bool LocateExifSegment(const ExifByteSource& source, ExifSegment& segment) {
  std::uint64_t pos = 2;  // after the start of image
  for (;;) {
    BYTE head[10];
    if (!source.Read(pos, head, 4)) return false;
    const std::uint32_t length = LoadU16(head + 2, true);
    if (length < 2 || pos + 2 + length > source.Size()) return false;
    if (head[1] == 0xE1) {
      if (!source.Read(pos + 4, head + 4, 6)) return false;
      if (head[4] == 'E') {
        // Identifier (6 bytes) and TIFF header (8 bytes) must fit the segment.
        if (length < 2 + 6 + 8) return false;
        segment.nMarkerPos = pos;
        segment.nLength = length;
        segment.nTiffBase = pos + 10;
        segment.nTiffLength = length - 8;
        BYTE order[2];
        if (!source.Read(segment.nTiffBase, order, 2)) return false;
        if (order[0] == 'I' && order[1] == 'I') {
          segment.bBigEndian = false;
        } else if (order[0] == 'M' && order[1] == 'M') {
          segment.bBigEndian = true;
        } else {
          return false;
        }
        return true;
      }
    } else if (head[1] != 0xE0) {
      return false;
    }
    pos += 2 + length;
  }
}

bool ExifTiffReader::Read(std::uint64_t offset, void* out, std::size_t count) const {
  return Contains(offset, count) && m_source.Read(m_segment.nTiffBase + offset, out, count);
}

bool ExifTiffReader::U16(std::uint64_t offset, std::uint32_t& value) const {
  BYTE b[2];
  if (!Read(offset, b, 2)) return false;
  value = LoadU16(b, m_segment.bBigEndian);
  return true;
}

bool ExifTiffReader::U32(std::uint64_t offset, std::uint32_t& value) const {
  BYTE b[4];
  if (!Read(offset, b, 4)) return false;
  value = LoadU32(b, m_segment.bBigEndian);
  return true;
}

bool ExifTiffReader::Entry(std::uint64_t offset, ExifEntry& entry) const {
  BYTE b[12];
  if (!Read(offset, b, 12)) return false;
  const bool be = m_segment.bBigEndian;
  entry = {LoadU16(b, be), LoadU16(b + 2, be), LoadU32(b + 4, be), LoadU32(b + 8, be)};
  return true;
}

bool ExifTiffReader::FindTag(std::uint64_t entriesOffset, std::uint32_t count, std::uint32_t tag,
                             bool& found, ExifEntry& entry) const {
  found = false;
  if (!Contains(entriesOffset, std::uint64_t{count} * 12)) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!Entry(entriesOffset + std::uint64_t{i} * 12, entry)) return false;
    if (entry.nTag == tag) {
      found = true;
      return true;
    }
  }
  return true;
}

bool ExifReadDateText(const ExifByteSource& source, char (&text)[21], std::string& message,
                      const std::string& notFound) {
  message = kNotExifFormat;
  std::memset(text, 0, sizeof text);
  ExifSegment segment;
  if (!LocateExifSegment(source, segment)) return false;
  const ExifTiffReader tiff(source, segment);

  // IFD0 sits where the header's offset says (normally 8). A count of 0 is
  // followed by a second count that holds the entries.
  std::uint32_t ifd0 = 0, count = 0;
  if (!tiff.U32(4, ifd0) || !tiff.U16(ifd0, count)) return false;
  std::uint64_t entries = std::uint64_t{ifd0} + 2;
  if (count == 0) {
    if (!tiff.U16(entries, count)) return false;
    entries += 2;
  }
  bool found = false;
  ExifEntry entry;
  if (!tiff.FindTag(entries, count, kTagExifIfd, found, entry)) return false;
  if (!found) {
    message = notFound;
    return false;
  }
  const std::uint64_t exifIfd = entry.nValue;
  if (!tiff.U16(exifIfd, count)) return false;
  if (!tiff.FindTag(exifIfd + 2, count, kTagDateTimeOriginal, found, entry)) return false;
  if (!found) {
    message = notFound;
    return false;
  }
  if (!tiff.Read(entry.nValue, text, 20)) return false;
  message.clear();
  return true;
}

namespace {

// A field of the date text, converted like atoi: leading digits only.
int DateField(const char* text, int first, int length) {
  char field[5] = {};
  std::memcpy(field, text + first, static_cast<std::size_t>(length));
  return std::atoi(field);
}

}  // namespace

bool ExifDateTextToTime(const char* text, std::int32_t& time) {
  std::tm tm{};
  tm.tm_year = DateField(text, 0, 4) - 1900;
  tm.tm_mon = DateField(text, 5, 2) - 1;
  tm.tm_mday = DateField(text, 8, 2);
  tm.tm_hour = DateField(text, 11, 2);
  tm.tm_min = DateField(text, 14, 2);
  tm.tm_sec = DateField(text, 17, 2);
  tm.tm_isdst = 0;
  const std::time_t t = ProcessMakeLocalTime(tm);
  if (t < 0 || t > INT32_MAX) return false;
  time = static_cast<std::int32_t>(t);
  return true;
}
