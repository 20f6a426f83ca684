// The KML of the photo job: the styles and the route, one placemark per
// stored point, and in a point's description the photos matched to it.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "common/UtilityManager.h"
#include "formats/FixedText.h"
#include "formats/TrackLogExport.h"
#include "formats/TrackLogReader.h"
#include "formats/UnicodeTextFile.h"
#include "framework/Time.h"
#include "photo/PageTrackLogPhoto.h"
#include "platform/ProcessTimeZone.h"

namespace {

// Items gathered before one write: the file converts each call on its own,
// so fewer, larger calls give the same bytes faster.
constexpr std::size_t kWriteChunk = 64 * 1024;

class KmlItems {
 public:
  explicit KmlItems(CUnicodeTextFile& file) : m_file(file) {}
  // One item and its line end.
  void Item(const std::string& text) {
    m_text += text;
    m_text += "\r\n";
    FlushIfFull();
  }
  // Text with no line end (the route's tuples).
  void Raw(const std::string& text) {
    m_text += text;
    FlushIfFull();
  }
  void Flush() {
    if (!m_text.empty()) m_file.WriteString(m_text);
    m_text.clear();
  }

 private:
  void FlushIfFull() {
    if (m_text.size() >= kWriteChunk) Flush();
  }
  CUnicodeTextFile& m_file;
  std::string m_text;
};

std::string LocalText(std::int32_t time) {
  std::tm tm{};
  return ProcessLocalTime(static_cast<std::time_t>(time), tm) ? CalendarTimeText(tm)
                                                              : std::string();
}

// A path inside CDATA: "]]>" would end the section, so it is split across
// two sections.
std::string CdataText(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("]]>", start)) != std::string::npos; start = at + 2)
    out += text.substr(start, at + 2 - start) + "]]><![CDATA[";
  return out + text.substr(start);
}

}  // namespace

bool CPageTrackLogPhoto::WriteKmlBody(std::FILE* trl) {
  KmlItems kml(*m_pKmlFile);

  // Declaration, styles, road style and the document's own elements. The
  // file is UTF-16LE, and its declaration says so.
  std::string header = CTrackLogExport::KmlHeaderText();
  const std::string utf8 = "encoding=\"UTF-8\"";
  if (const std::size_t at = header.find(utf8); at != std::string::npos)
    header.replace(at, utf8.size(), "encoding=\"UTF-16\"");
  kml.Raw(header);

  kml.Item("<Placemark>");
  kml.Item("<name>Route</name>");
  kml.Item("<styleUrl>#roadStyle</styleUrl>");
  kml.Item("<MultiGeometry>");
  kml.Item("<LineString>");
  kml.Item("<coordinates>");
  std::string tuple;
  const bool read = ForEachTrackRecord(trl, [&](const TrackRecord& r) {
    tuple.clear();
    AppendFixed(tuple, r.Longitude(), 7, ',');
    AppendFixed(tuple, r.Latitude(), 7, ',');
    AppendFixed(tuple, r.Altitude(), 2, ' ');
    kml.Raw(tuple);
  });
  if (!read) return false;
  kml.Item("</coordinates>");
  kml.Item("</LineString>");
  kml.Item("</MultiGeometry>");
  kml.Item("</Placemark>");
  kml.Item("<Folder>");
  kml.Item("<name>waypoints</name>");

  // The matched photos of each point, in ascending adjusted time.
  std::vector<std::vector<int>> photosOfPoint(static_cast<std::size_t>(m_nPointCount));
  for (const PhotoTimeIndex& entry : m_photoOrder)
    if (entry.bMatched && entry.nPoint >= 0 && entry.nPoint < m_nPointCount)
      photosOfPoint[static_cast<std::size_t>(entry.nPoint)].push_back(entry.nPhoto);

  std::string coordinates;
  for (int j = 0; j < m_nPointCount; ++j) {
    const TrackPoint& point = m_points[static_cast<std::size_t>(j)];
    const std::vector<int>& photos = photosOfPoint[static_cast<std::size_t>(j)];
    kml.Item("<Placemark>");
    kml.Item("<name>");
    kml.Item(m_pointNames[static_cast<std::size_t>(j)]);
    kml.Item("</name>");
    if (!photos.empty()) {
      kml.Item("<description>");
      kml.Item("<![CDATA[");
      kml.Item("Photo Matched:");
    }
    for (const int index : photos) {
      const PhotoRecord& photo = m_photos[static_cast<std::size_t>(index)];
      if (m_nCalibrationSeconds != 0)
        kml.Item("<p>Original Time: " + LocalText(photo.nExifTime) + "</p>");
      kml.Item(std::string("<p>") + (m_nCalibrationSeconds != 0 ? "Adjustment Time: " : "") +
               LocalText(photo.nAdjustedTime) + "</p>");
      kml.Item("<p><img width=\"400\" height=\"300\" src=\"" + CdataText(photo.path) + "\"></p>");
      if (g_utilityManager.m_bWriteGpsToPhoto == 1) WriteGpsCopy(photo.path, point);
    }
    if (!photos.empty()) {
      kml.Item("]]>");
      kml.Item("</description>");
    }
    kml.Item("<styleUrl>");
    kml.Item(j == 0                   ? "#styleMap_TLP_Start"
             : j == m_nPointCount - 1 ? "#styleMap_TLP_Finish"
             : !photos.empty()        ? "#styleMap_TLP_Photo"
                                      : "#styleMap_TLP_Normal");
    kml.Item("</styleUrl>");
    kml.Item("<Point>");
    kml.Item("<coordinates>");
    coordinates.clear();
    AppendFixed(coordinates, point.fLongitude, 7, ',');
    AppendFixed(coordinates, point.fLatitude, 7, ',');
    AppendFixed(coordinates, point.fAltitude, 2);
    kml.Item(coordinates);
    kml.Item("</coordinates>");
    kml.Item("</Point>");
    kml.Item("</Placemark>");
  }
  kml.Item("</Folder>");
  kml.Item("</Document>");
  kml.Item("</kml>");
  kml.Flush();
  return true;
}

void CPageTrackLogPhoto::WriteGpsCopy(const std::string& path, const TrackPoint& point) {
  int failed = 0;
  std::string message;
  WriteGpsExif(path, point, failed, message);
  if (!m_bGpsPhotoAccepted) {
    std::string line = LoadText(IDS_PHOTO_CAMERA_UNSUPPORTED) + path;
    if (!message.empty()) line += ";" + message;
    AddResultLine(line);
    m_bGpsPhotoAccepted = 1;
  } else if (failed) {
    AddResultLine(path + ";" + message);
  }
}
