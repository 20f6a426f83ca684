// TRL reading and the TXT, KML, NMEA and GPX export writers. The format
// conversion page (CPageTrackLogFormat) derives from this class, so the
// writers are members of the page object that the chipset log download calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "logger/TrackRecord.h"
#include "platform/WinTypes.h"

// Selects one export: Text ".txt", Kml ".kml", Nmea "<base>NMEA.txt", Gpx ".gpx".
using TrackOutputFormat = int;
constexpr TrackOutputFormat kTrackOutputText = 0;
constexpr TrackOutputFormat kTrackOutputKml = 1;
constexpr TrackOutputFormat kTrackOutputNmea = 2;
constexpr TrackOutputFormat kTrackOutputGpx = 3;

constexpr int kGprmcBufferSize = 512;

class CTrackLogExport {
 public:
  virtual ~CTrackLogExport() = default;

  // XOR of bytes 0 to 14 of a 16-byte record.
  static BYTE CheckRecord(const BYTE* record);

  // Each writer rewinds and reads the source (raw bytes) and appends one
  // complete file to the output. Records with a bad check byte are skipped,
  // and so are records whose coordinates or altitude are not finite or out
  // of range, or whose time has no calendar form. FALSE when the source
  // could not be read or the output not written (errno tells why).
  static BOOL WriteText(std::FILE* source, std::FILE* output);
  static BOOL WriteKml(std::FILE* source, std::FILE* output);
  static BOOL WriteNmea(std::FILE* source, std::FILE* output);
  static BOOL WriteGpx(std::FILE* source, std::FILE* output);

  // One "$GPRMC" sentence with checksum and CR LF into a buffer of
  // kGprmcBufferSize bytes; returns its length, 0 when the time has no
  // calendar form or a coordinate is not finite or out of range.
  static int FormatGprmc(char* buffer, float longitude, float latitude, std::uint32_t utcSeconds);
  // XOR of the characters after the leading '$' up to the first '*', CR or LF.
  static BYTE NmeaChecksum(const char* sentence);

  // The output path for a source path: the extension after the last path
  // separator is replaced ("name.trl" -> "name.kml", "nameNMEA.txt" for
  // Nmea), a name without one gets it appended. Empty for an unknown format.
  static std::string MakeOutputFileName(const std::string& path, TrackOutputFormat format);

  // The KML lines from the declaration to the document name: the four
  // placemark styles, the road style and the document's own elements.
  static std::string KmlHeaderText();

  // Sets the process-wide conversion zone (local time = UTC + zone hours, no
  // daylight saving); it stays in force for later conversions.
  static void SetConversionTimeZone(int zone);

  // Writes one export of the page's current format from the given streams;
  // an unknown format writes nothing.
  BOOL ConvertFile();

  // Opens trlPath, writes format to outPath and closes both. The output is
  // written beside its final name and moved there only when complete, so a
  // failed conversion leaves any earlier file of that name as it was. The
  // output may not be the source itself. On failure, error gets a message.
  static BOOL ConvertTrlFile(const std::string& trlPath, const std::string& outPath,
                             TrackOutputFormat format, std::string* error = nullptr);

  // What ConvertToFile did.
  enum class ConvertResult { Done, SourceFailed, OutputIsSource, OutputFailed };
  // ConvertTrlFile for the current format m_nFormat, through ConvertFile:
  // m_pSource and m_pOutput are open only while it runs.
  ConvertResult ConvertToFile(const std::string& trlPath, const std::string& outPath,
                              std::string* error = nullptr);

  static BOOL WriteFormat(TrackOutputFormat format, std::FILE* source, std::FILE* output);

  // The format ConvertFile writes next, and the streams it writes with (open
  // only while one output is written).
  TrackOutputFormat m_nFormat = kTrackOutputKml;
  std::FILE* m_pSource = nullptr;
  std::FILE* m_pOutput = nullptr;
};
