#include "sim/LogMemorySim.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "sim/SimLogger.h"

namespace sim {

namespace {

using Slot = std::array<std::uint8_t, 16>;

const char kSegmentMarker[] = "VANTOTX370LOGGER";
const char kWaypointMarker[] = "VANTOTX370WAYPNT";

Slot TextSlot(const char* text) {
  Slot s;
  std::memcpy(s.data(), text, 16);
  return s;
}

Slot RecordSlot(const TrackRecord& r) {
  Slot s;
  std::memcpy(s.data(), r.bytes, 16);
  return s;
}

Slot SeparatorSlot(std::mt19937& rng) {
  Slot s;
  s.fill(0xAA);
  for (int i = 7; i < 12; ++i) s[i] = static_cast<std::uint8_t>(rng());
  for (int i = 12; i < 16; ++i) s[i] = 0xBB;
  return s;
}

// One kept entry in ring order: a segment marker or a valid record.
struct Entry {
  bool marker = false;
  bool waypoint = false;
  TrackRecord record{};
};

// Writes the slots of the ring, oldest first, into the sectors in ring order
// and notes the kept entries. Every sector but the newest is filled.
class RingWriter {
 public:
  RingWriter(const LogMemoryLayout& layout, std::vector<std::uint8_t>& image)
      : m_image(image), m_rng(layout.seed) {
    const int n = layout.wrapped ? kLogSectors : std::clamp(layout.sectors, 1, kLogSectors);
    const int newest = layout.wrapped ? std::clamp(layout.newestSector, 0, kLogSectors - 1) : n - 1;
    for (int i = 0; i < n; ++i) m_order.push_back((newest + 1 + i) % n);
    const std::uint32_t bytes =
        std::clamp<std::uint32_t>(layout.newestSectorBytes, kLogHeaderSize, kLogSectorSize);
    m_newestSlots = static_cast<int>((bytes - kLogHeaderSize) / 16);
    m_time = static_cast<std::uint32_t>(layout.firstTime ? layout.firstTime
                                                         : std::time(nullptr) - 40 * 86400);
    // The oldest surviving data of a wrapped ring starts inside a segment
    // whose marker was erased with its sector.
    m_markerDue = !layout.wrapped;
  }

  void Fill() {
    for (std::size_t i = 0; i < m_order.size(); ++i) {
      const int slots = i + 1 == m_order.size() ? m_newestSlots : kSlotsPerSector;
      FillSector(m_order[i], slots);
    }
  }

  std::vector<Entry> entries;

 private:
  void Put(int sector, int slot, const Slot& s) {
    std::memcpy(&m_image[static_cast<std::size_t>(sector) * kLogSectorSize + kLogHeaderSize +
                         static_cast<std::size_t>(slot) * 16],
                s.data(), 16);
  }

  TrackRecord NextRecord() {
    m_time += 1 + m_rng() % 5;
    m_lat += static_cast<float>(static_cast<int>(m_rng() % 201) - 100) * 1e-5f;
    m_lon += static_cast<float>(static_cast<int>(m_rng() % 201) - 100) * 1e-5f;
    const float alt = static_cast<float>(m_rng() % 4000) / 8.0f;
    return TrackRecord::Make(m_time, m_lat, m_lon, alt);
  }

  void FillSector(int sector, int slots) {
    std::uint8_t* header = &m_image[static_cast<std::size_t>(sector) * kLogSectorSize];
    header[0] = static_cast<std::uint8_t>(slots);
    header[1] = static_cast<std::uint8_t>(slots >> 8);
    header[2] = 0x3F;  // content mask: time, position, altitude
    header[3] = header[4] = header[5] = 0;
    for (int slot = 0; slot < slots; ++slot) {
      const unsigned roll = m_rng() % 1000;
      if (m_markerDue || (m_tracksSinceMarker > 50 && roll < 2)) {
        Put(sector, slot, TextSlot(kSegmentMarker));
        entries.push_back(Entry{true, false, {}});
        m_markerDue = false;
        m_tracksSinceMarker = 0;
        m_time += 600 + m_rng() % 7200;  // the logger was off for a while
      } else if (roll < 6) {
        Put(sector, slot, SeparatorSlot(m_rng));
      } else if (roll < 8) {
        // A damaged record, dropped by its check byte.
        Slot s = RecordSlot(NextRecord());
        s[15] ^= 0x5A;
        Put(sector, slot, s);
      } else if (roll < 9) {
        Put(sector, slot, Slot{});  // zeros: dated 1970, dropped
      } else if (roll < 13 && slot + 1 < slots) {
        Put(sector, slot, TextSlot(kWaypointMarker));
        const TrackRecord r = NextRecord();
        Put(sector, ++slot, RecordSlot(r));
        entries.push_back(Entry{false, true, r});
      } else {
        const TrackRecord r = NextRecord();
        Put(sector, slot, RecordSlot(r));
        entries.push_back(Entry{false, false, r});
        ++m_tracksSinceMarker;
      }
    }
  }

  std::vector<std::uint8_t>& m_image;
  std::mt19937 m_rng;
  std::vector<int> m_order;
  int m_newestSlots = kSlotsPerSector;
  std::uint32_t m_time = 0;
  float m_lat = 25.03f;
  float m_lon = 121.56f;
  bool m_markerDue = true;
  int m_tracksSinceMarker = 0;
};

// The files the entries make: one per run of entries between markers.
LogContent ContentOf(const std::vector<Entry>& entries) {
  LogContent content;
  bool open = false;
  for (const Entry& e : entries) {
    if (e.marker) {
      open = false;
      continue;
    }
    if (!open) content.segments.emplace_back();
    open = true;
    if (e.waypoint)
      content.waypoints.push_back(e.record);
    else
      content.segments.back().push_back(e.record);
  }
  return content;
}

std::vector<std::string> Fields(const std::string& sentence) {
  std::vector<std::string> fields;
  const std::string body = sentence.substr(0, sentence.find('*'));
  std::size_t start = 0;
  for (;;) {
    const auto comma = body.find(',', start);
    fields.push_back(body.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

std::string PieceBody(const std::vector<std::uint8_t>& image, std::uint32_t address,
                      std::uint32_t size) {
  static const char kHex[] = "0123456789ABCDEF";
  char head[40];
  std::snprintf(head, sizeof head, "$PMTK182,8,%08X,", address);
  std::string body = head;
  body.reserve(body.size() + 2 * size);
  for (std::uint32_t i = 0; i < size; ++i) {
    const std::uint8_t byte = image[static_cast<std::size_t>(address) + i];
    body += kHex[byte >> 4];
    body += kHex[byte & 0x0F];
  }
  return body;
}

}  // namespace

std::vector<TrackRecord> LogContent::Total() const {
  std::vector<TrackRecord> all;
  for (const auto& s : segments) all.insert(all.end(), s.begin(), s.end());
  return all;
}

LogMemoryImage BuildLogMemory(const LogMemoryLayout& layout) {
  LogMemoryImage result;
  result.image.assign(kLogMemorySize, 0xFF);
  RingWriter writer(layout, result.image);
  writer.Fill();
  result.content = ContentOf(writer.entries);
  if (layout.wrapped) {
    result.usedBytes = kLogMemorySize;
  } else {
    const int n = std::clamp(layout.sectors, 1, kLogSectors);
    result.usedBytes =
        static_cast<std::uint32_t>(n - 1) * kLogSectorSize +
        std::clamp<std::uint32_t>(layout.newestSectorBytes, kLogHeaderSize, kLogSectorSize);
  }
  return result;
}

std::shared_ptr<LogMemorySim> LogMemorySim::Install(SimLogger& logger,
                                                    const LogMemoryLayout& layout) {
  auto state = std::make_shared<LogMemorySim>();
  LogMemoryImage built = BuildLogMemory(layout);
  state->m_content = std::move(built.content);
  state->m_usedBytes = built.usedBytes;
  logger.SetLogImage(std::move(built.image));
  logger.SetLogParameter(8, built.usedBytes);
  // Reads; the erase and the used-bytes query of the standard handlers work
  // on the same image and figure.
  logger.AddHandler("$PMTK182,7,", [state](SimLogger& l, const std::string& sentence) {
    const auto f = Fields(sentence);
    if (f.size() < 4) return false;
    return state->OnRead(l, static_cast<std::uint32_t>(std::strtoul(f[2].c_str(), nullptr, 16)),
                         static_cast<std::uint32_t>(std::strtoul(f[3].c_str(), nullptr, 16)));
  });
  // Maker commands: 6 readies a memory read, 9 takes the log-by choice.
  logger.AddHandler("$VANTO710,6",
                    [state](SimLogger& l, const std::string&) { return state->OnReadAhead(l); });
  logger.AddHandler("$VANTO710,9", [](SimLogger& l, const std::string&) {
    l.SendSentence("$VANTO001,9,1");
    return true;
  });
  return state;
}

void LogMemorySim::SetFaults(const LogReadFaults& faults) {
  std::lock_guard lock(m_mutex);
  m_faults = faults;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> LogMemorySim::Requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

bool LogMemorySim::OnReadAhead(SimLogger& logger) {
  bool vanish;
  {
    std::lock_guard lock(m_mutex);
    vanish = m_nReadAheads++ == m_faults.vanishAtReadAhead;
  }
  if (vanish)
    logger.Vanish();
  else
    logger.SendSentence("$VANTO001,6,1");
  return true;
}

bool LogMemorySim::OnRead(SimLogger& logger, std::uint32_t address, std::uint32_t length) {
  LogReadFaults faults;
  {
    std::lock_guard lock(m_mutex);
    m_requests.emplace_back(address, length);
    faults = m_faults;
  }
  if (faults.silentFrom != kNoFault && address >= faults.silentFrom) return true;
  const std::vector<std::uint8_t> image = logger.LogImage();
  length = address < image.size()
               ? std::min<std::uint32_t>(length, static_cast<std::uint32_t>(image.size() - address))
               : 0;
  for (std::uint32_t offset = 0; offset < length && !logger.Vanished(); offset += kLogPieceSize) {
    const std::uint32_t at = address + offset;
    const std::uint32_t size = std::min<std::uint32_t>(kLogPieceSize, length - offset);
    std::string sentence = SimLogger::WithChecksum(PieceBody(image, at, size));
    if (at == faults.foreignReplyAt) {
      // A piece of another part of the memory and an unrelated log sentence.
      const std::uint32_t other = (at + kLogMemorySize / 2) % kLogMemorySize;
      logger.Send(SimLogger::WithChecksum(PieceBody(image, other, kLogPieceSize)));
      logger.Send(SimLogger::WithChecksum("$PMTK182,3,8,00012345"));
      std::lock_guard lock(m_mutex);
      m_faults.foreignReplyAt = kNoFault;
    }
    if (at == faults.badChecksumAt) {
      const auto star = sentence.rfind('*');
      sentence[star + 2] = sentence[star + 2] == '0' ? '1' : '0';
      std::lock_guard lock(m_mutex);
      if (!faults.badChecksumEveryTime) m_faults.badChecksumAt = kNoFault;
    }
    for (const auto& [piece, position] : faults.lostCharAt)
      if (piece == at) {
        sentence.erase(position, 1);
        std::lock_guard lock(m_mutex);
        std::erase(m_faults.lostCharAt, std::make_pair(piece, position));
      }
    if (at == faults.nulBeforeAt) {
      logger.Send(std::string(1, '\0'));
      std::lock_guard lock(m_mutex);
      m_faults.nulBeforeAt = kNoFault;
    }
    if (at == faults.vanishAt) {
      logger.Send(sentence.substr(0, sentence.size() / 2));
      logger.Vanish();
      return true;
    }
    logger.Send(sentence);
  }
  logger.SendSentence("$PMTK001,182,7,3");
  return true;
}

}  // namespace sim
