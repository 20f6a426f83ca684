// The KML of one TRL file with photos (the photo page's job is not built in).
#include "logger/PageMTKTracklogSetting.h"

BOOL CPageMTKTracklogSetting::CombineTrackFileWithPhotos(const std::string&, const std::string& kml,
                                                         std::string& error) {
  error = "Cannot write " + kml + ": photo KML files are not available";
  return FALSE;
}
