// Capture time of one photo from its EXIF DateTimeOriginal.
#include <cstdio>
#include <memory>

#include "photo/ExifLayout.h"
#include "photo/PageTrackLogPhoto.h"

void CPageTrackLogPhoto::ReadExifDateTime(const std::string& path, std::int32_t& time,
                                          int& errorFlag, std::string& message) {
  time = 0;
  errorFlag = 0;
  message.clear();
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) {
    errorFlag = 1;
    message = LoadText(IDS_PHOTO_CANNOT_OPEN_PHOTO);
    return;
  }
  const ExifByteSource source(file.get());
  char text[21];
  if (!ExifReadDateText(source, text, message, LoadText(IDS_PHOTO_NO_DATE))) {
    errorFlag = 1;
    return;
  }
  std::int32_t value = 0;
  if (!ExifDateTextToTime(text, value)) {
    errorFlag = 1;
    message = LoadText(IDS_PHOTO_DATE_FORMAT_ERROR);
    return;
  }
  time = value;
}
