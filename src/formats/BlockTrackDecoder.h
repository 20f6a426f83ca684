// Decoding of track-log blocks received by the '$'-command block protocol
// into text lines and KML. The track-log setting page calls these for its
// TXT and KML outputs; the point tables grow with the log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// Output modes of a block upload.
constexpr int kBlockOutputTrl = 0;
constexpr int kBlockOutputText = 1;
constexpr int kBlockOutputKml = 2;

struct BlockPoint {
  std::int32_t longitude;  // 1e-7 degree
  std::int32_t latitude;   // 1e-7 degree
  std::int32_t altitude;   // centimetres
  std::uint32_t time;      // UTC seconds
};

// The points of one upload, shared by the decoder and the KML writer and
// cleared by the upload before each transfer.
struct BlockPointTables {
  std::vector<BlockPoint> points;
  std::vector<std::string> names;  // local time text with its line feed
  std::string coordinates;         // the route's "lon,lat,alt " tuples
  int pointIndex = 0;              // points decoded so far
  int pointCount = 0;              // points the KML lists
  void Clear();
};

extern BlockPointTables g_blockPointTables;

// Decodes one 512-byte block: every record that is not all 0xFF, has a
// calendar time and coordinates in range is added; in text mode its line is
// written to outText. A block that would run past totalBytes is not decoded.
// FALSE when writing the text failed.
BOOL DecodeBlockRecords(BlockPointTables& tables, const BYTE* data, int outputFormat,
                        std::FILE* outText, int totalBytes, int doneBytes);

// The KML document of the decoded points, built with the XML writer.
std::string BuildBlockKml(const BlockPointTables& tables);
// Writes the declaration and BuildBlockKml to out; FALSE when that failed.
BOOL WriteBlockKml(const BlockPointTables& tables, std::FILE* out);
