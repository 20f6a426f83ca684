#include "formats/BlockTrackDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "formats/FixedText.h"
#include "formats/XmlWriter.h"
#include "framework/Time.h"
#include "logger/BlockTrackRecord.h"
#include "platform/ProcessTimeZone.h"

BlockPointTables g_blockPointTables;

void BlockPointTables::Clear() {
  points.clear();
  names.clear();
  coordinates.clear();
  pointIndex = 0;
  pointCount = 0;
}

namespace {
double Degrees(std::int32_t units) { return units * 1e-7; }
double Metres(std::int32_t centimetres) { return centimetres * 0.01; }
}  // namespace

BOOL DecodeBlockRecords(BlockPointTables& tables, const BYTE* data, int outputFormat,
                        std::FILE* outText, int totalBytes, int doneBytes) {
  if (data == nullptr || static_cast<long long>(doneBytes) + kBlockDataSize > totalBytes)
    return TRUE;
  bool ok = true;
  std::string line;
  for (int r = 0; r < kBlockRecordsPerBlock; ++r) {
    const BYTE* bytes = data + r * kBlockTrackRecordSize;
    if (BlockTrackRecord::IsEmpty(bytes)) continue;
    const BlockTrackRecord rec = BlockTrackRecord::FromBytes(bytes);
    if (std::abs(static_cast<long long>(rec.longitude)) > 1800000000LL ||
        std::abs(static_cast<long long>(rec.latitude)) > 900000000LL)
      continue;
    std::tm tm{};
    if (!ProcessLocalTime(static_cast<std::time_t>(rec.time), tm)) continue;
    const std::string when = CalendarTimeText(tm);
    const double lon = Degrees(rec.longitude), lat = Degrees(rec.latitude);
    const double alt = Metres(rec.altitude);
    if (outputFormat == kBlockOutputText && outText != nullptr) {
      line.clear();
      AppendFixed(line, lon, 7, ',');
      AppendFixed(line, lat, 7, ',');
      AppendFixed(line, alt, 2, ',');
      line += when;
      line += "\r\n";  // exported lines end with CR LF
      if (std::fwrite(line.data(), 1, line.size(), outText) != line.size()) ok = false;
    } else if (outputFormat == kBlockOutputKml) {
      AppendFixed(tables.coordinates, lon, 7, ',');
      AppendFixed(tables.coordinates, lat, 7, ',');
      AppendFixed(tables.coordinates, alt, 2, ' ');
    }
    tables.points.resize(static_cast<size_t>(tables.pointIndex) + 1);
    tables.names.resize(static_cast<size_t>(tables.pointIndex) + 1);
    tables.points[tables.pointIndex] = {rec.longitude, rec.latitude, rec.altitude, rec.time};
    tables.names[tables.pointIndex] = when + "\n";
    ++tables.pointIndex;
    tables.pointCount = tables.pointIndex;
  }
  if (!ok && errno == 0) errno = EIO;
  return ok ? TRUE : FALSE;
}

std::string BuildBlockKml(const BlockPointTables& tables) {
  CXmlWriter xml;
  xml.AddElement("kml");
  xml.SetAttribute("xmlns", "http://earth.google.com/kml/2.1");
  xml.AddChildElement("Document");
  xml.EnterElement();
  xml.AddChildElement("Style");
  xml.EnterElement();
  xml.SetAttribute("id", "roadStyle");
  xml.AddChildElement("LineStyle");
  xml.EnterElement();
  xml.AddChildElement("color", "7fcf0064");
  xml.AddChildElement("width", "6");
  xml.LeaveElement();
  xml.LeaveElement();
  xml.AddChildElement("Open", "1");
  xml.AddChildElement("description", "Track Log");
  xml.AddChildElement("name", "Track Log");
  xml.AddChildElement("Placemark");
  xml.EnterElement();
  xml.AddChildElement("name", "Route");
  xml.AddChildElement("styleUrl", "#roadStyle");
  xml.AddChildElement("MultiGeometry");
  xml.EnterElement();
  xml.AddChildElement("LineString");
  xml.EnterElement();
  xml.AddChildElement("coordinates", tables.coordinates.c_str());
  xml.LeaveElement();
  xml.LeaveElement();
  xml.LeaveElement();
  xml.AddChildElement("Folder");
  xml.EnterElement();
  xml.AddChildElement("name", "Waypoints");
  const int count = std::min<int>(tables.pointCount, static_cast<int>(tables.points.size()));
  std::string coordinates;
  for (int i = 0; i < count; ++i) {
    const BlockPoint& p = tables.points[i];
    xml.AddChildElement("Placemark");
    xml.EnterElement();
    xml.AddChildElement("name", tables.names[i].c_str());
    xml.AddChildElement("styleUrl", i == 0 ? "root://styleMaps#default+nicon=0x406+hicon=0x416"
                                    : i == count - 1
                                        ? "root://styleMaps#default+nicon=0x467+hicon=0x477"
                                        : "root://styleMaps#default+nicon=0x447+hicon=0x457");
    xml.AddChildElement("Point");
    xml.EnterElement();
    coordinates.clear();
    AppendFixed(coordinates, Degrees(p.longitude), 7, ',');
    AppendFixed(coordinates, Degrees(p.latitude), 7, ',');
    AppendFixed(coordinates, Metres(p.altitude), 2);
    xml.AddChildElement("coordinates", coordinates.c_str());
    xml.LeaveElement();
    xml.LeaveElement();
  }
  return xml.GetDocumentText();
}

BOOL WriteBlockKml(const BlockPointTables& tables, std::FILE* out) {
  if (out == nullptr) return FALSE;
  errno = 0;
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  text += BuildBlockKml(tables);
  const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size() &&
                  std::fflush(out) == 0 && !std::ferror(out);
  if (!ok && errno == 0) errno = EIO;
  return ok ? TRUE : FALSE;
}
