#include "formats/TrackLogExport.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "formats/FixedText.h"
#include "formats/TrackLogReader.h"
#include "framework/Time.h"
#include "platform/ProcessTimeZone.h"

BYTE CTrackLogExport::CheckRecord(const BYTE* record) {
  BYTE x = 0;
  for (int i = 0; i < 15; ++i) x ^= record[i];
  return x;
}

BYTE CTrackLogExport::NmeaChecksum(const char* sentence) {
  BYTE sum = 0;
  if (sentence == nullptr || *sentence == '\0') return 0;
  for (const char* p = sentence + 1; *p != '\0' && *p != '*' && *p != '\r' && *p != '\n'; ++p)
    sum ^= static_cast<BYTE>(*p);
  return sum;
}

namespace {
// "%d%f" of a coordinate's absolute degrees and minutes, with a 0 between
// them when the minutes are below 10.
int FormatNmeaCoordinate(char* out, size_t size, float value) {
  const int degrees = static_cast<int>(value);
  const float minutes = (value - static_cast<float>(degrees)) * 60.0f;
  const float absMinutes = std::fabs(minutes);
  return std::snprintf(out, size, absMinutes < 10.0f ? "%d0%f" : "%d%f", std::abs(degrees),
                       static_cast<double>(absMinutes));
}
}  // namespace

int CTrackLogExport::FormatGprmc(char* buffer, float longitude, float latitude,
                                 std::uint32_t utcSeconds) {
  std::tm tm{};
  if (buffer == nullptr || !ProcessGmtTime(static_cast<std::time_t>(utcSeconds), tm)) return 0;
  // Degrees are taken as an int: a coordinate outside the globe has none.
  if (!(std::fabs(latitude) <= 90.0f) || !(std::fabs(longitude) <= 180.0f)) return 0;
  char timeField[32], dateField[32], latText[64], lonText[64];
  std::snprintf(timeField, sizeof timeField, "%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  std::snprintf(dateField, sizeof dateField, "%02d%02d%02d", tm.tm_mday, tm.tm_mon + 1,
                tm.tm_year % 100);
  FormatNmeaCoordinate(latText, sizeof latText, latitude);
  FormatNmeaCoordinate(lonText, sizeof lonText, longitude);
  int n = std::snprintf(buffer, kGprmcBufferSize, "%s,%s,A,%s,%c,%s,%c,%d,%d,%s,,*", "$GPRMC",
                        timeField, latText, latitude < 0 ? 'S' : 'N', lonText,
                        longitude < 0 ? 'W' : 'E', 0, 0, dateField);
  if (n < 0 || n >= kGprmcBufferSize - 5) return 0;
  n += std::snprintf(buffer + n, kGprmcBufferSize - n, "%02x\r\n", NmeaChecksum(buffer));
  return n;
}

namespace {

// Local time text of a record time; false without a calendar form.
bool LocalTimeText(std::uint32_t utcSeconds, std::string& text) {
  std::tm tm{};
  if (!ProcessLocalTime(static_cast<std::time_t>(utcSeconds), tm)) return false;
  text = CalendarTimeText(tm);
  return true;
}

// "lon,lat,alt" as "%4.7f,%4.7f,%4.2f", then altSuffix (',', ' ' or none).
void AppendPoint(std::string& out, const TrackRecord& r, char altSuffix) {
  AppendFixed(out, r.Longitude(), 7, ',');
  AppendFixed(out, r.Latitude(), 7, ',');
  AppendFixed(out, r.Altitude(), 2, altSuffix);
}

bool Put(std::FILE* out, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

// Ends a writer: flushes and reports any error on either stream.
BOOL Finish(std::FILE* source, std::FILE* output, bool ok) {
  if (std::fflush(output) != 0) ok = false;
  if (std::ferror(output) || std::ferror(source)) ok = false;
  if (!ok && errno == 0) errno = EIO;
  return ok ? TRUE : FALSE;
}

const char* const kKmlStyleLines =
    "<Style id=\"normalState_%1\">\r\n<IconStyle>\r\n<scale>1.0</scale>\r\n<Icon>\r\n"
    "<href>http://maps.google.com/mapfiles/kml/pal4/%2.png</href>\r\n</Icon>\r\n</IconStyle>\r\n"
    "<LabelStyle>\r\n<scale>1.0</scale>\r\n</LabelStyle>\r\n</Style>\r\n"
    "<Style id=\"highlightState_%1\">\r\n<IconStyle>\r\n<scale>1.1</scale>\r\n<Icon>\r\n"
    "<href>http://maps.google.com/mapfiles/kml/pal4/%3.png</href>\r\n</Icon>\r\n</IconStyle>\r\n"
    "<LabelStyle>\r\n<scale>1.1</scale>\r\n<color>ff0000ff</color>\r\n</LabelStyle>\r\n"
    "</Style>\r\n"
    "<StyleMap id=\"styleMap_%1\">\r\n<Pair>\r\n<key>normal</key>\r\n"
    "<styleUrl>#normalState_%1</styleUrl>\r\n</Pair>\r\n<Pair>\r\n<key>highlight</key>\r\n"
    "<styleUrl>#highlightState_%1</styleUrl>\r\n</Pair>\r\n</StyleMap>\r\n";

std::string StyleBlock(const std::string& suffix, const std::string& normal,
                       const std::string& highlight) {
  std::string out;
  for (const char* p = kKmlStyleLines; *p != '\0'; ++p) {
    if (*p == '%' && p[1] >= '1' && p[1] <= '3') {
      out += p[1] == '1' ? suffix : p[1] == '2' ? normal : highlight;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace

std::string CTrackLogExport::KmlHeaderText() {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n<Document>\r\n";
  out += StyleBlock("TLP_Start", "icon15", "icon7");
  out += StyleBlock("TLP_Finish", "icon15", "icon7");
  out += StyleBlock("TLP_Normal", "icon31", "icon23");
  out += StyleBlock("TLP_Photo", "icon46", "icon38");
  out +=
      "<Style id=\"roadStyle\">\r\n<LineStyle>\r\n<color>ffffff00</color>\r\n<width>6</width>\r\n"
      "</LineStyle>\r\n</Style>\r\n<Open>1</Open>\r\n<description>Route</description>\r\n"
      "<name>Track Log</name>\r\n";
  return out;
}

BOOL CTrackLogExport::WriteText(std::FILE* source, std::FILE* output) {
  errno = 0;
  bool ok = true;
  std::string line, when;
  const bool read = ForEachTrackRecord(source, [&](const TrackRecord& r) {
    if (!LocalTimeText(r.Time(), when)) return;
    line.clear();
    AppendPoint(line, r, ',');
    line += when;
    line += "\r\n";
    ok = Put(output, line) && ok;
  });
  return Finish(source, output, read && ok);
}

BOOL CTrackLogExport::WriteKml(std::FILE* source, std::FILE* output) {
  errno = 0;
  std::string text = KmlHeaderText();
  text +=
      "<Placemark>\r\n<name>Route</name>\r\n<styleUrl>#roadStyle</styleUrl>\r\n"
      "<MultiGeometry>\r\n<LineString>\r\n<coordinates>\r\n";
  int count = 0;
  std::string when;
  bool ok = ForEachTrackRecord(source, [&](const TrackRecord& r) {
    // A time without a local calendar form is left out here as in the
    // placemarks, so the route and the numbering agree.
    if (!LocalTimeText(r.Time(), when)) return;
    AppendPoint(text, r, ' ');
    ++count;
  });
  text += "</coordinates>\r\n</LineString>\r\n</MultiGeometry>\r\n</Placemark>\r\n";
  text += "<Folder>\r\n<name>waypoints</name>\r\n";
  ok = Put(output, text) && ok;

  int number = 0;
  ok = ForEachTrackRecord(source,
                          [&](const TrackRecord& r) {
                            if (!LocalTimeText(r.Time(), when)) return;
                            const int i = number++;
                            text = "<Placemark>\r\n<name>" + when + "</name>\r\n<styleUrl>";
                            text += i == 0           ? "#styleMap_TLP_Start"
                                    : i == count - 1 ? "#styleMap_TLP_Finish"
                                                     : "#styleMap_TLP_Normal";
                            text += "</styleUrl>\r\n<Point>\r\n<coordinates>";
                            AppendPoint(text, r, '\0');
                            text += "</coordinates>\r\n</Point>\r\n</Placemark>\r\n";
                            ok = Put(output, text) && ok;
                          }) &&
       ok;
  ok = Put(output, "</Folder>\r\n</Document>\r\n</kml>\r\n") && ok;
  return Finish(source, output, ok);
}

BOOL CTrackLogExport::WriteNmea(std::FILE* source, std::FILE* output) {
  errno = 0;
  bool ok = true;
  char sentence[kGprmcBufferSize];
  const bool read = ForEachTrackRecord(source, [&](const TrackRecord& r) {
    const int n = FormatGprmc(sentence, r.Longitude(), r.Latitude(), r.Time());
    if (n > 0)
      ok = std::fwrite(sentence, 1, static_cast<size_t>(n), output) == static_cast<size_t>(n) && ok;
  });
  return Finish(source, output, read && ok);
}

namespace {
// The wpt or rtept lines of one record; false without a calendar form.
bool GpxPoint(const TrackRecord& r, const char* tag, int number, std::string& out) {
  std::tm tm{};
  if (!ProcessGmtTime(static_cast<std::time_t>(r.Time()), tm)) return false;
  out.clear();
  out += '<';
  out += tag;
  out += " lat=\"";
  AppendFixed(out, r.Latitude(), 6, '"');
  out += " lon=\"";
  AppendFixed(out, r.Longitude(), 6, '"');
  // ele goes before time: the GPX 1.0 schema requires that order.
  out += ">\r\n<ele>";
  AppendFixed(out, r.Altitude(), 2);
  char buffer[160];
  std::snprintf(buffer, sizeof buffer,
                "</ele>\r\n<time>%04d-%02d-%02dT%02d:%02d:%02dZ</time>\r\n"
                "<name><![CDATA[Point %d]]></name>\r\n</",
                tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                number);
  out += buffer;
  out += tag;
  out += ">\r\n";
  return true;
}
}  // namespace

BOOL CTrackLogExport::WriteGpx(std::FILE* source, std::FILE* output) {
  errno = 0;
  bool ok = Put(output,
                "<?xml version=\"1.0\"?>\r\n<gpx\r\nversion=\"1.0\"\r\n"
                "creator=\"Vanto Utility\"\r\n"
                "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\r\n"
                "xmlns=\"http://www.topografix.com/GPX/1/0\"\r\n"
                "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/0 "
                "http://www.topografix.com/GPX/1/0/gpx.xsd\">\r\n");
  std::string text;
  for (const char* tag : {"wpt", "rtept"}) {
    if (tag[0] == 'r') ok = Put(output, "<rte>\r\n<name>Route</name>\r\n") && ok;
    int number = 0;
    ok = ForEachTrackRecord(source,
                            [&](const TrackRecord& r) {
                              if (GpxPoint(r, tag, number, text)) {
                                ++number;
                                ok = Put(output, text) && ok;
                              }
                            }) &&
         ok;
  }
  ok = Put(output, "</rte>\r\n</gpx>\r\n") && ok;
  return Finish(source, output, ok);
}

BOOL CTrackLogExport::WriteFormat(TrackOutputFormat format, std::FILE* source, std::FILE* output) {
  switch (format) {
    case kTrackOutputText:
      return WriteText(source, output);
    case kTrackOutputKml:
      return WriteKml(source, output);
    case kTrackOutputNmea:
      return WriteNmea(source, output);
    case kTrackOutputGpx:
      return WriteGpx(source, output);
    default:
      return FALSE;
  }
}

BOOL CTrackLogExport::ConvertFile() {
  if (m_pSource == nullptr || m_pOutput == nullptr) return FALSE;
  return WriteFormat(m_nFormat, m_pSource, m_pOutput);
}

std::string CTrackLogExport::MakeOutputFileName(const std::string& path, TrackOutputFormat format) {
  const size_t separator = path.find_last_of("/\\");
  size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && separator != std::string::npos && dot < separator)
    dot = std::string::npos;
  const std::string base = dot == std::string::npos ? path : path.substr(0, dot);
  switch (format) {
    case kTrackOutputText:
      return base + ".txt";
    case kTrackOutputKml:
      return base + ".kml";
    case kTrackOutputGpx:
      return base + ".gpx";
    case kTrackOutputNmea:
      return base + "NMEA.txt";
    default:
      return {};
  }
}

void CTrackLogExport::SetConversionTimeZone(int zone) {
  SetProcessTimeZone(zone);
  // The same report the C library's zone re-read gives for "TZ=TMP<-zone>".
  std::printf("_daylight = %d\n", 0);
  std::printf("_timezone = %ld\n", static_cast<long>(-zone) * 3600L);
  std::printf("_tzname[0] = %s\n", "TMP");
}
