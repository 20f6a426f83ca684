// Geotagged copy of a photo: the EXIF block gains a GPS IFD holding the
// matched point's position, altitude and UTC time; everything else is
// copied unchanged apart from the offsets that the insertion moves.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include "framework/Strings.h"
#include "photo/ExifLayout.h"
#include "photo/PageTrackLogPhoto.h"
#include "platform/OutputFile.h"
#include "platform/ProcessTimeZone.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kEntrySize = 12;
// The GPS IFD with its values takes 205 bytes; one pad byte keeps every
// later structure on the even offset the TIFF layout requires.
constexpr std::uint32_t kGpsBlockSize = 206;
constexpr std::uint32_t kGrowth = kEntrySize + kGpsBlockSize;
constexpr std::uint32_t kMaxSegmentLength = 0xFFFF;
// Bytes read from the start of a photo to find its EXIF block: room for
// the largest block and a small segment before it.
constexpr std::size_t kHeadBytes = 96 * 1024;

struct Region {
  std::uint64_t begin, end;
};

class GpsCopyBuilder {
 public:
  GpsCopyBuilder(std::span<const BYTE> source, const ExifSegment& segment)
      : m_tiff(source.subspan(segment.nTiffBase, segment.nTiffLength)), m_be(segment.bBigEndian) {}

  GpsCopyResult Build(const TrackPoint& point, std::vector<BYTE>& tiffOut, std::string& message);

 private:
  bool In(std::uint64_t offset, std::uint64_t count) const {
    return offset <= m_tiff.size() && count <= m_tiff.size() - offset;
  }
  std::uint32_t U16(std::uint64_t offset) const { return LoadU16(m_tiff.data() + offset, m_be); }
  std::uint32_t U32(std::uint64_t offset) const { return LoadU32(m_tiff.data() + offset, m_be); }
  ExifEntry EntryAt(std::uint64_t offset) const {
    return {U16(offset), U16(offset + 2), U32(offset + 4), U32(offset + 8)};
  }
  // Where a source offset lands in the copy.
  std::uint64_t Relocate(std::uint64_t offset) const {
    return offset + (offset >= m_insertEntry ? kEntrySize : 0) +
           (offset >= m_insertBlock ? kGpsBlockSize : 0);
  }
  // Checks an IFD of `count` entries at `offset` and moves the offsets in
  // its entries: values larger than four bytes and the pointer tags.
  // Written when it could.
  GpsCopyResult PatchIfd(std::uint64_t offset, std::uint32_t pointerTag1, std::uint32_t pointerTag2,
                         std::vector<BYTE>& out, std::string& message);
  void BuildGpsBlock(const TrackPoint& point, std::uint32_t gpsOffset, BYTE* block) const;

  std::span<const BYTE> m_tiff;
  bool m_be;
  std::uint64_t m_ifd0 = 0;
  std::uint64_t m_insertEntry = 0;  // end of IFD0's entries
  std::uint64_t m_insertBlock = 0;  // IFD1's position
  std::vector<Region> m_regions;    // IFDs seen, which must not overlap
};

GpsCopyResult GpsCopyBuilder::PatchIfd(std::uint64_t offset, std::uint32_t pointerTag1,
                                       std::uint32_t pointerTag2, std::vector<BYTE>& out,
                                       std::string& message) {
  message = kNotExifFormat;
  if (!In(offset, 2)) return GpsCopyResult::FormatError;
  const std::uint32_t count = U16(offset);
  const Region region{offset, offset + 2 + std::uint64_t{count} * kEntrySize};
  if (!In(offset, region.end - offset)) return GpsCopyResult::FormatError;
  for (const Region& other : m_regions) {
    if (region.begin < other.end && other.begin < region.end) return GpsCopyResult::FormatError;
  }
  m_regions.push_back(region);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = offset + 2 + std::uint64_t{i} * kEntrySize;
    const ExifEntry entry = EntryAt(at);
    int size = 0;
    CPageTrackLogPhoto::ExifTypeSize(static_cast<int>(entry.nType), entry.nCount, size);
    const bool isPointer = entry.nTag == pointerTag1 || entry.nTag == pointerTag2;
    if (size <= 4 && !isPointer) continue;
    if (size > 4) {
      // The data must lie in the segment, wholly on one side of each insertion.
      const std::uint64_t begin = entry.nValue;
      const std::uint64_t end = begin + static_cast<std::uint64_t>(size);
      if (!In(begin, end - begin)) return GpsCopyResult::FormatError;
      if (begin < m_insertEntry + 4 && m_ifd0 < end) {
        return GpsCopyResult::FormatError;  // inside IFD0's table
      }
      if ((begin < m_insertEntry && m_insertEntry < end) ||
          (begin < m_insertBlock && m_insertBlock < end)) {
        message = LoadResString(IDS_PHOTO_GPS_DATA_IN_THE_WAY);
        return GpsCopyResult::UnsupportedLayout;
      }
    }
    const std::uint64_t moved = Relocate(entry.nValue);
    if (moved > 0xFFFFFFFFu) return GpsCopyResult::FormatError;
    StoreU32(out.data() + at + 8, static_cast<std::uint32_t>(moved), m_be);
  }
  message.clear();
  return GpsCopyResult::Written;
}

void GpsCopyBuilder::BuildGpsBlock(const TrackPoint& point, std::uint32_t g, BYTE* b) const {
  std::memset(b, 0, kGpsBlockSize);
  StoreU16(b, 9, m_be);
  BYTE* e = b + 2;
  auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count) {
    StoreU16(e, tag, m_be);
    StoreU16(e + 2, type, m_be);
    StoreU32(e + 4, count, m_be);
    e += kEntrySize;
    return e - 4;  // the value field
  };
  auto rational = [&](int at, std::uint32_t num, std::uint32_t den) {
    StoreU32(b + at, num, m_be);
    StoreU32(b + at + 4, den, m_be);
  };
  BYTE* v = entry(0, 1, 4);  // GPSVersionID 2.2.0.0
  v[0] = 2, v[1] = 2;
  entry(1, 2, 2)[0] = point.fLatitude < 0 ? 'S' : 'N';
  StoreU32(entry(2, 5, 3), g + 114, m_be);
  entry(3, 2, 2)[0] = point.fLongitude < 0 ? 'W' : 'E';
  StoreU32(entry(4, 5, 3), g + 138, m_be);
  entry(5, 1, 1)[0] = point.fAltitude < 0 ? 1 : 0;
  StoreU32(entry(6, 5, 1), g + 162, m_be);
  StoreU32(entry(7, 5, 3), g + 170, m_be);
  StoreU32(entry(29, 2, 11), g + 194, m_be);
  // Next-IFD offset (bytes 110-113) stays 0.

  DmsValue lat, lon;
  CPageTrackLogPhoto::DegreesToDms(point.fLatitude, point.fLongitude, lat, lon);
  const DmsValue* angles[2] = {&lat, &lon};
  for (int i = 0; i < 2; ++i) {
    const int at = 114 + 24 * i;
    rational(at, static_cast<std::uint32_t>(angles[i]->nDegrees), 1);
    rational(at + 8, static_cast<std::uint32_t>(angles[i]->nMinutes), 1);
    rational(at + 16, static_cast<std::uint32_t>(angles[i]->nHundredthSeconds), 100);
  }

  // Altitude in centimetres, half rounding up.
  double a = std::fabs(static_cast<double>(point.fAltitude)) * 100;
  if (std::isnan(a)) a = 0;
  if (a > 4294967295.0) a = 4294967295.0;
  std::uint32_t n = static_cast<std::uint32_t>(a);
  if (a - n >= 0.5 && n < 0xFFFFFFFFu) ++n;
  rational(162, n, 100);

  const std::time_t t = point.nTime;
  std::tm utc{};
  ProcessGmtTime(t, utc);
  rational(170, static_cast<std::uint32_t>(utc.tm_hour), 1);
  rational(178, static_cast<std::uint32_t>(utc.tm_min), 1);
  rational(186, static_cast<std::uint32_t>(utc.tm_sec), 1);
  char date[48];
  std::snprintf(date, sizeof date, "%04d:%02d:%02d", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday);
  std::memcpy(b + 194, date, 10);  // and the zero byte already there
}

GpsCopyResult GpsCopyBuilder::Build(const TrackPoint& point, std::vector<BYTE>& tiffOut,
                                    std::string& message) {
  message = kNotExifFormat;
  if (!In(0, 8)) return GpsCopyResult::FormatError;
  const std::uint32_t ifd0 = U32(4);
  if (ifd0 < 8 || !In(ifd0, 2)) return GpsCopyResult::FormatError;
  m_ifd0 = ifd0;
  const std::uint32_t count = U16(ifd0);
  const std::uint64_t entries = std::uint64_t{ifd0} + 2;
  m_insertEntry = entries + std::uint64_t{count} * kEntrySize;
  if (!In(entries, m_insertEntry + 4 - entries)) return GpsCopyResult::FormatError;

  // IFD0: the Exif IFD pointer, the camera make and any GPS IFD already there.
  std::uint64_t exifIfd = 0, make = 0;
  std::uint32_t makeCount = 0, entriesBeforeGps = 0;
  bool hasExif = false, hasMake = false, hasGps = false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const ExifEntry entry = EntryAt(entries + std::uint64_t{i} * kEntrySize);
    int size = 0;
    CPageTrackLogPhoto::ExifTypeSize(static_cast<int>(entry.nType), entry.nCount, size);
    if (entry.nTag == kTagExifIfd) hasExif = true, exifIfd = entry.nValue;
    if (entry.nTag == kTagMake && size > 4) hasMake = true, make = entry.nValue, makeCount = size;
    if (entry.nTag == kTagGpsIfd) hasGps = true;
    if (entry.nTag < kTagGpsIfd) ++entriesBeforeGps;
  }
  if (count == 0) {
    message = LoadResString(IDS_PHOTO_GPS_LAYOUT);
    return GpsCopyResult::UnsupportedLayout;
  }
  if (!hasExif) {
    message.clear();
    return GpsCopyResult::NoExifIfd;
  }

  bool canon = false, sony = false;
  if (hasMake) {
    if (!In(make, makeCount)) return GpsCopyResult::FormatError;
    const BYTE* text = m_tiff.data() + make;
    canon = makeCount >= 5 && std::memcmp(text, "Canon", 5) == 0;
    sony = makeCount >= 4 && std::memcmp(text, "SONY", 4) == 0;
  }
  if (!canon && !sony) {
    message = LoadResString(IDS_PHOTO_GPS_MAKE);
    return GpsCopyResult::UnsupportedMake;
  }
  if (hasGps) {
    message = LoadResString(IDS_PHOTO_GPS_ALREADY);
    return GpsCopyResult::UnsupportedLayout;
  }
  const std::uint32_t ifd1 = U32(m_insertEntry);
  if (ifd1 == 0) {
    message = LoadResString(IDS_PHOTO_GPS_NO_THUMBNAIL);
    return GpsCopyResult::UnsupportedLayout;
  }
  m_insertBlock = ifd1;
  if (ifd1 < m_insertEntry + 4 || exifIfd < m_insertEntry + 4) {
    message = LoadResString(IDS_PHOTO_GPS_ORDER);
    return GpsCopyResult::UnsupportedLayout;
  }

  tiffOut.assign(m_tiff.begin(), m_tiff.end());
  if (const GpsCopyResult r = PatchIfd(ifd0, kTagExifIfd, kTagExifIfd, tiffOut, message);
      r != GpsCopyResult::Written)
    return r;

  // Exif IFD, then the maker note and Interoperability IFDs it points to.
  if (!In(exifIfd, 2)) return GpsCopyResult::FormatError;
  // A maker note of four bytes or fewer lies in its entry and is not moved.
  if (const GpsCopyResult r = PatchIfd(exifIfd, kTagInteropIfd, kTagInteropIfd, tiffOut, message);
      r != GpsCopyResult::Written)
    return r;
  const std::uint32_t exifCount = U16(exifIfd);
  std::uint64_t makerNote = 0, makerNoteSize = 0, interop = 0;
  bool hasInterop = false;
  for (std::uint32_t i = 0; i < exifCount; ++i) {
    const ExifEntry entry = EntryAt(exifIfd + 2 + std::uint64_t{i} * kEntrySize);
    int size = 0;
    CPageTrackLogPhoto::ExifTypeSize(static_cast<int>(entry.nType), entry.nCount, size);
    if (entry.nTag == kTagMakerNote && size > 4) makerNote = entry.nValue, makerNoteSize = size;
    if (entry.nTag == kTagInteropIfd) hasInterop = true, interop = entry.nValue;
  }
  std::vector<Region> structures{{exifIfd, exifIfd + 2 + std::uint64_t{exifCount} * kEntrySize}};
  if (makerNoteSize > 0) {
    std::uint64_t ifd = makerNote;
    if (sony && makerNoteSize >= 12 && std::memcmp(m_tiff.data() + makerNote, "SONY", 4) == 0) {
      ifd += 12;  // "SONY DSC " header before the IFD
    }
    if (!In(ifd, 2) || ifd + 2 + std::uint64_t{U16(ifd)} * kEntrySize > makerNote + makerNoteSize) {
      message = LoadResString(IDS_PHOTO_GPS_MAKER_NOTE);
      return GpsCopyResult::UnsupportedLayout;
    }
    if (const GpsCopyResult r = PatchIfd(ifd, 0xFFFFFFFFu, 0xFFFFFFFFu, tiffOut, message);
        r != GpsCopyResult::Written)
      return r;
    structures.push_back(m_regions.back());
  }
  if (hasInterop) {
    if (const GpsCopyResult r = PatchIfd(interop, 0xFFFFFFFFu, 0xFFFFFFFFu, tiffOut, message);
        r != GpsCopyResult::Written)
      return r;
    structures.push_back(m_regions.back());
  }
  for (const Region& region : structures) {
    if (region.begin < m_insertEntry + 4 || region.end > ifd1) {
      message = LoadResString(IDS_PHOTO_GPS_ORDER);
      return GpsCopyResult::UnsupportedLayout;
    }
  }
  if (const GpsCopyResult r =
          PatchIfd(ifd1, kTagThumbnailOffset, kTagThumbnailOffset, tiffOut, message);
      r != GpsCopyResult::Written)
    return r;

  // IFD0 gains one entry, in tag order, and points on to the moved IFD1.
  const std::uint64_t gpsOffset = std::uint64_t{ifd1} + kEntrySize;
  if (Relocate(ifd1) > 0xFFFFFFFFu) return GpsCopyResult::FormatError;
  StoreU16(tiffOut.data() + ifd0, count + 1, m_be);
  StoreU32(tiffOut.data() + m_insertEntry, static_cast<std::uint32_t>(Relocate(ifd1)), m_be);
  BYTE entry[kEntrySize];
  StoreU16(entry, kTagGpsIfd, m_be);
  StoreU16(entry + 2, 4, m_be);
  StoreU32(entry + 4, 1, m_be);
  StoreU32(entry + 8, static_cast<std::uint32_t>(gpsOffset), m_be);
  BYTE block[kGpsBlockSize];
  BuildGpsBlock(point, static_cast<std::uint32_t>(gpsOffset), block);

  const auto at = [&](std::uint64_t offset) {
    return tiffOut.begin() + static_cast<std::ptrdiff_t>(offset);
  };
  tiffOut.insert(at(ifd1), block, block + kGpsBlockSize);
  tiffOut.insert(at(entries + std::uint64_t{entriesBeforeGps} * kEntrySize), entry,
                 entry + kEntrySize);
  message.clear();
  return GpsCopyResult::Written;
}

// Reads up to `limit` bytes from the start of the open file (all of it when
// limit is 0).
bool ReadFileStart(int fd, std::size_t limit, std::vector<BYTE>& data) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return false;
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  data.resize(limit == 0 || size < limit ? size : limit);
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = pread(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  data.resize(done);
  return true;
}

bool WriteAll(int fd, const BYTE* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies the source from `offset` to its end onto the output's end, which
// lies at `written`. Inside the kernel where source and output pages line up;
// a copy shifted within the page (the rewritten EXIF block changed its
// length) is faster through a large buffer, as is a copy between file
// systems that have no kernel copy.
bool CopyRest(int from, off_t offset, int to, off_t written) {
  constexpr off_t kPage = 4096;
  if ((offset - written) % kPage == 0) {
    for (;;) {
      const ssize_t n = copy_file_range(from, &offset, to, nullptr, 1 << 30, 0);
      if (n == 0) return true;
      if (n > 0) continue;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return false;
      break;
    }
  }
  std::vector<BYTE> buffer(1 << 20);
  for (;;) {
    const ssize_t n = pread(from, buffer.data(), buffer.size(), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(n))) return false;
    offset += n;
  }
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

GpsCopyResult BuildGpsExifHead(std::span<const BYTE> source, const TrackPoint& point,
                               std::vector<BYTE>& head, std::size_t& restOffset,
                               std::string& message) {
  message = kNotExifFormat;
  const ExifByteSource bytes(source);
  ExifSegment segment;
  if (source.size() < 2 || !LocateExifSegment(bytes, segment)) return GpsCopyResult::FormatError;
  if (!std::isfinite(point.fLatitude) || !std::isfinite(point.fLongitude) ||
      std::fabs(point.fLatitude) > 90 || std::fabs(point.fLongitude) > 180) {
    message = LoadResString(IDS_PHOTO_GPS_POINT_RANGE);
    return GpsCopyResult::FormatError;
  }
  if (segment.nLength + kGrowth > kMaxSegmentLength) {
    message = LoadResString(IDS_PHOTO_GPS_TOO_LARGE);
    return GpsCopyResult::UnsupportedLayout;
  }
  std::vector<BYTE> tiff;
  GpsCopyBuilder builder(source, segment);
  const GpsCopyResult result = builder.Build(point, tiff, message);
  if (result != GpsCopyResult::Written) return result;

  head.clear();
  head.reserve(segment.nTiffBase + tiff.size());
  head.insert(head.end(), source.begin(), source.begin() + segment.nMarkerPos + 2);
  BYTE length[2];
  StoreU16(length, segment.nLength + kGrowth, true);
  head.insert(head.end(), length, length + 2);
  head.insert(head.end(), source.begin() + segment.nMarkerPos + 4,
              source.begin() + segment.nTiffBase);
  head.insert(head.end(), tiff.begin(), tiff.end());
  restOffset = segment.nMarkerPos + 2 + segment.nLength;
  return GpsCopyResult::Written;
}

GpsCopyResult BuildGpsExifCopy(std::span<const BYTE> source, const TrackPoint& point,
                               std::vector<BYTE>& out, std::string& message) {
  std::size_t rest = 0;
  const GpsCopyResult result = BuildGpsExifHead(source, point, out, rest, message);
  if (result == GpsCopyResult::Written) out.insert(out.end(), source.begin() + rest, source.end());
  return result;
}

int CPageTrackLogPhoto::ExifTypeSize(int type, std::uint32_t count, int& size) {
  std::uint64_t unit = 1;
  if (type == 3) unit = 2;
  if (type == 4 || type == 9) unit = 4;
  if (type == 5 || type == 10) unit = 8;
  // Sizes beyond what a segment can hold are kept just above its limit.
  size = static_cast<int>(std::min<std::uint64_t>(unit * count, 0x7FFFFFFF));
  return size;
}

void CPageTrackLogPhoto::DegreesToDms(double latitude, double longitude, DmsValue& latitudeDms,
                                      DmsValue& longitudeDms) {
  const auto convert = [](double x, DmsValue& dms) {
    x = std::fabs(x);
    if (!(x <= 360)) x = 0;  // not an angle: no meaningful parts
    dms.nDegrees = static_cast<int>(x);
    const double f = x - dms.nDegrees;
    dms.nMinutes = static_cast<int>(f * 60);
    dms.nHundredthSeconds = static_cast<int>((f * 60 - dms.nMinutes) * 60 * 100);
  };
  convert(latitude, latitudeDms);
  convert(longitude, longitudeDms);
}

void CPageTrackLogPhoto::WriteGpsExif(const std::string& path, const TrackPoint& point,
                                      int& errorFlag, std::string& message) {
  errorFlag = 0;
  message.clear();
  const fs::path source(path);
  std::string name = source.filename().string();
  name = name.size() >= 4 ? name.substr(0, name.size() - 4) + "_GPS.jpg" : name + "_GPS.jpg";
  const fs::path folder = source.has_parent_path() ? source.parent_path() : fs::path(".");
  const fs::path gpsFolder = folder / "GPS";
  const fs::path output = gpsFolder / name;
  const auto fail = [&](const std::string& text) {
    errorFlag = 1;
    message = text;
  };

  const auto earlier = m_gpsCopySources.find(output.string());
  if (earlier != m_gpsCopySources.end() && earlier->second != path) {
    fail(FormatString(LoadText(IDS_PHOTO_GPS_NAME_TAKEN).c_str(), output.c_str(),
                      earlier->second.c_str()));
    return;
  }
  const FdCloser photo{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  // The EXIF block lies near the start: the rest of the photo is copied
  // without passing through this process. A block beyond the first bytes
  // read (or a damaged file) is judged on the whole file.
  std::vector<BYTE> data, head;
  std::size_t rest = 0;
  if (photo.fd < 0 || !ReadFileStart(photo.fd, kHeadBytes, data)) {
    fail(LoadText(IDS_PHOTO_CANNOT_OPEN_PHOTO));
    return;
  }
  // A small photo has been read whole: its rest is written from memory.
  bool whole = data.size() < kHeadBytes;
  std::string why;
  GpsCopyResult result = BuildGpsExifHead(data, point, head, rest, why);
  if (result == GpsCopyResult::FormatError && data.size() == kHeadBytes) {
    if (!ReadFileStart(photo.fd, 0, data)) {
      fail(LoadText(IDS_PHOTO_CANNOT_OPEN_PHOTO));
      return;
    }
    whole = true;
    result = BuildGpsExifHead(data, point, head, rest, why);
  }
  switch (result) {
    case GpsCopyResult::Written:
      break;
    case GpsCopyResult::NoExifIfd:
      fail(LoadText(IDS_PHOTO_NO_DATE));
      return;
    case GpsCopyResult::FormatError:
      fail(why);
      return;
    case GpsCopyResult::UnsupportedMake:
      // Not an error: the caller reports it through m_bGpsPhotoAccepted.
      m_bGpsPhotoAccepted = 0;
      return;
    case GpsCopyResult::UnsupportedLayout:
      m_bGpsPhotoAccepted = 0;
      fail(why);
      return;
  }

  // The copy goes to a temporary name first, so that a failed write
  // neither leaves a partial copy nor destroys an earlier one.
  std::error_code ec;
  fs::create_directory(gpsFolder, ec);
  if (!fs::is_directory(gpsFolder, ec)) {
    fail(FormatString(LoadText(IDS_PHOTO_GPS_NO_FOLDER).c_str(), gpsFolder.c_str()));
    return;
  }
  if (fs::exists(output, ec) && fs::equivalent(output, source, ec)) {
    fail(LoadText(IDS_PHOTO_GPS_REPLACES_PHOTO));
    return;
  }
  // Created exclusively: nothing already at a temporary name (a link to the
  // photo, say) is written through; the rename replaces only the name.
  OutputFile copy;
  const bool written = copy.Create(output, 0666, &m_gpsCopyBatch) == 0 &&
                       WriteAll(copy.Descriptor(), head.data(), head.size()) &&
                       (whole ? WriteAll(copy.Descriptor(), data.data() + rest, data.size() - rest)
                              : CopyRest(photo.fd, static_cast<off_t>(rest), copy.Descriptor(),
                                         static_cast<off_t>(head.size()))) &&
                       copy.Commit() == 0;
  if (!written) {
    copy.Discard();
    fs::remove(gpsFolder, ec);  // only when empty
    fail(FormatString(LoadText(IDS_PHOTO_GPS_NOT_WRITTEN).c_str(), output.c_str()));
    return;
  }
  m_gpsCopySources[output.string()] = path;
}
