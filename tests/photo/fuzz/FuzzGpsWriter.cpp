// Fuzz entry: the geotagged copy of arbitrary file contents. A copy that
// is written must keep the image data and read back as EXIF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "photo/ExifLayout.h"
#include "photo/PageTrackLogPhoto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TrackPoint point{121.5f, 25.04f, -12.5f, 1210000000};
  if (size >= 4) std::memcpy(&point.nTime, data, 4);  // vary the time a little
  std::vector<BYTE> out;
  std::string message;
  const std::span<const BYTE> input(data, size);
  if (BuildGpsExifCopy(input, point, out, message) != GpsCopyResult::Written) return 0;
  if (out.size() != size + 218) std::abort();
  ExifSegment before, after;
  if (!LocateExifSegment(ExifByteSource(input), before) ||
      !LocateExifSegment(ExifByteSource(std::span<const BYTE>(out)), after)) {
    std::abort();
  }
  const std::size_t endBefore = before.nMarkerPos + 2 + before.nLength;
  const std::size_t endAfter = after.nMarkerPos + 2 + after.nLength;
  if (endAfter != endBefore + 218 ||
      std::memcmp(out.data() + endAfter, data + endBefore, size - endBefore) != 0) {
    std::abort();
  }
  // A copy already holds GPS data: a second pass must refuse it.
  std::vector<BYTE> again;
  if (BuildGpsExifCopy(out, point, again, message) == GpsCopyResult::Written) std::abort();
  return 0;
}
