#include "ExifBuilder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace exiftest {
namespace {

struct Entry {
  std::uint16_t tag, type;
  std::uint32_t count;
  Bytes data;  // the field's bytes; four or fewer go inline
};

class TiffWriter {
 public:
  explicit TiffWriter(bool be) : be_(be) {}
  Bytes buf;

  void U16(std::uint32_t v) {
    const std::uint8_t b[2] = {std::uint8_t(be_ ? v >> 8 : v), std::uint8_t(be_ ? v : v >> 8)};
    buf.insert(buf.end(), b, b + 2);
  }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) buf.push_back(std::uint8_t(v >> (be_ ? 24 - 8 * i : 8 * i)));
  }
  void Patch32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) buf[at + i] = std::uint8_t(v >> (be_ ? 24 - 8 * i : 8 * i));
  }
  Bytes Enc16(std::initializer_list<std::uint32_t> vs) const {
    TiffWriter w(be_);
    for (auto v : vs) w.U16(v);
    return w.buf;
  }
  Bytes Enc32(std::initializer_list<std::uint32_t> vs) const {
    TiffWriter w(be_);
    for (auto v : vs) w.U32(v);
    return w.buf;
  }
  void Align() {
    if (buf.size() % 2) buf.push_back(0);
  }
  // Writes an IFD and its data at the end; returns the IFD's offset. The
  // positions of the value fields go to `valueAt`, the next pointer's to `nextAt`.
  std::uint32_t WriteIfd(std::vector<Entry> entries, std::vector<std::size_t>* valueAt,
                         std::size_t* nextAt, bool zeroCount = false) {
    Align();
    const std::uint32_t start = static_cast<std::uint32_t>(buf.size());
    if (zeroCount) U16(0);
    U16(static_cast<std::uint32_t>(entries.size()));
    std::size_t data = buf.size() + entries.size() * 12 + 4;
    std::vector<std::pair<std::size_t, const Bytes*>> pending;
    for (const Entry& e : entries) {
      U16(e.tag), U16(e.type), U32(e.count);
      if (valueAt) valueAt->push_back(buf.size());
      if (e.data.size() <= 4) {
        Bytes v = e.data;
        v.resize(4);
        buf.insert(buf.end(), v.begin(), v.end());
      } else {
        U32(static_cast<std::uint32_t>(data));
        pending.emplace_back(data, &e.data);
        data += e.data.size() + e.data.size() % 2;
      }
    }
    if (nextAt) *nextAt = buf.size();
    U32(0);
    for (auto& [at, bytes] : pending) {
      buf.resize(at);
      buf.insert(buf.end(), bytes->begin(), bytes->end());
      Align();
    }
    return start;
  }

 private:
  bool be_;
};

Bytes Text(const std::string& s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

Entry Ascii(std::uint16_t tag, const std::string& s) {
  return {tag, 2, static_cast<std::uint32_t>(s.size() + 1), Text(s)};
}

}  // namespace

Bytes ImageTail() {
  Bytes tail = {0xFF, 0xDB, 0x00, 0x05, 0x00, 0x11, 0x22, 0xFF, 0xC0,
                0x00, 0x04, 0x08, 0x10, 0xFF, 0xDA, 0x00, 0x03, 0x01};
  // Scan data without 0xFF bytes, so that readers walking the markers to
  // the end of the image find no stray marker inside it.
  for (int i = 0; i < 300; ++i) tail.push_back(static_cast<std::uint8_t>((i * 7 + 3) % 255));
  tail.push_back(0xFF), tail.push_back(0xD9);
  return tail;
}

Bytes BuildJpeg(const JpegLayout& layout) {
  TiffWriter w(layout.bigEndian);
  w.buf = layout.bigEndian ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
  w.U32(layout.ifd0Offset);
  w.buf.resize(layout.ifd0Offset, 0xAB);

  std::vector<Entry> ifd0 = {
      Ascii(271, layout.make),         Ascii(272, "Model X"),     {282, 5, 1, w.Enc32({72, 1})},
      {283, 5, 1, w.Enc32({72, 1})}, {296, 3, 1, w.Enc16({2})}, Ascii(306, "2008:05:01 08:00:00"),
      {531, 3, 1, w.Enc16({1})},
  };
  if (layout.exifPointer) ifd0.push_back({34665, 4, 1, w.Enc32({0})});
  if (layout.gps) ifd0.push_back({34853, 4, 1, w.Enc32({0})});
  if (layout.printIm) {
    // Print settings block: header, version, one entry of tag and value.
    Bytes block = {'P', 'r', 'i', 'n', 't', 'I', 'M', 0, '0', '3', '0', '0', 0, 0};
    for (const Bytes& part : {w.Enc16({1, 1}), w.Enc32({0x00160016})}) {
      block.insert(block.end(), part.begin(), part.end());
    }
    ifd0.push_back({50341, 7, static_cast<std::uint32_t>(block.size()), block});
  }
  std::vector<std::size_t> ifd0Values;
  std::size_t ifd0Next = 0;
  w.WriteIfd(ifd0, &ifd0Values, &ifd0Next, layout.zeroCountIfd0);

  if (layout.gps) {
    const std::uint32_t gps = w.WriteIfd({{0, 1, 4, {2, 2, 0, 0}}}, nullptr, nullptr);
    w.Patch32(ifd0Values[7 + (layout.exifPointer ? 1 : 0)], gps);
  }
  if (layout.exifPointer) {
    std::vector<Entry> exif = {
        {33434, 5, 1, w.Enc32({1, 125})},
        {36864, 7, 4, {'0', '2', '3', '0'}},
    };
    if (layout.dateTimeOriginal) exif.push_back(Ascii(36867, *layout.dateTimeOriginal));
    exif.push_back(Ascii(36868, "2008:05:01 08:00:00"));
    exif.push_back({37121, 7, 4, {1, 2, 3, 0}});
    if (layout.makerNote) exif.push_back({37500, 7, 0, {}});
    if (layout.exifPadding) exif.push_back({37510, 7, 0, Bytes(layout.exifPadding, 0x20)});
    exif.push_back({40960, 7, 4, {'0', '1', '0', '0'}});
    exif.push_back({40961, 3, 1, w.Enc16({1})});
    exif.push_back({40962, 3, 1, w.Enc16({16})});  // pixel size, required in a JPEG's Exif IFD
    exif.push_back({40963, 3, 1, w.Enc16({8})});
    if (layout.interop) exif.push_back({40965, 4, 1, w.Enc32({0})});
    for (Entry& e : exif) {
      if (e.tag == 37510) e.count = static_cast<std::uint32_t>(e.data.size());
    }
    std::vector<std::size_t> exifValues;
    const std::uint32_t exifIfd = w.WriteIfd(exif, &exifValues, nullptr);
    w.Patch32(ifd0Values[7], exifIfd);
    auto indexOf = [&](std::uint16_t tag) {
      for (std::size_t i = 0; i < exif.size(); ++i)
        if (exif[i].tag == tag) return i;
      throw std::logic_error("tag");
    };
    if (layout.makerNote) {
      w.Align();
      const std::size_t start = w.buf.size();
      if (layout.make.rfind("SONY", 0) == 0) {
        const char header[12] = {'S', 'O', 'N', 'Y', ' ', 'D', 'S', 'C', ' ', 0, 0, 0};
        w.buf.insert(w.buf.end(), header, header + 12);
      }
      // A first tag whose first word is its own size in bytes, as camera
      // setting records in maker notes have.
      w.WriteIfd({{1, 3, 4, w.Enc16({8, 20, 30, 40})},
                  Ascii(6, "Maker note text"),
                  {7, 4, 1, w.Enc32({77})}},
                 nullptr, nullptr);
      const std::size_t at = exifValues[indexOf(37500)];
      w.Patch32(at, static_cast<std::uint32_t>(start));
      w.Patch32(at - 4, static_cast<std::uint32_t>(w.buf.size() - start));
    }
    if (layout.interop) {
      const std::uint32_t interop =
          w.WriteIfd({Ascii(1, "R98"), {2, 7, 4, {'0', '1', '0', '0'}}}, nullptr, nullptr);
      w.Patch32(exifValues[indexOf(40965)], interop);
    }
  }
  if (layout.ifd1) {
    std::vector<std::size_t> ifd1Values;
    const std::uint32_t ifd1 = w.WriteIfd({{259, 3, 1, w.Enc16({6})},
                                           {282, 5, 1, w.Enc32({180, 1})},
                                           {283, 5, 1, w.Enc32({180, 1})},
                                           {296, 3, 1, w.Enc16({2})},
                                           {513, 4, 1, w.Enc32({0})},
                                           {514, 4, 1, w.Enc32({40})}},
                                          &ifd1Values, nullptr);
    w.Patch32(ifd0Next, ifd1);
    w.Align();
    w.Patch32(ifd1Values[4], static_cast<std::uint32_t>(w.buf.size()));
    for (int i = 0; i < 40; ++i) w.buf.push_back(static_cast<std::uint8_t>(0xC0 + i));
  }

  Bytes file = {0xFF, 0xD8};
  if (layout.app0) {
    const Bytes jfif = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    file.insert(file.end(), jfif.begin(), jfif.end());
  }
  if (layout.foreignApp1) {
    const Bytes xmp = {0xFF, 0xE1, 0, 12, 'h', 't', 't', 'p', ':', '/', '/', 'x', 'y', 'z'};
    file.insert(file.end(), xmp.begin(), xmp.end());
  }
  const std::size_t length = w.buf.size() + 8;
  if (length > 0xFFFF) throw std::length_error("APP1 too long");
  const Bytes head = {
      0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
  file.insert(file.end(), head.begin(), head.end());
  file.insert(file.end(), w.buf.begin(), w.buf.end());
  const Bytes tail = ImageTail();
  file.insert(file.end(), tail.begin(), tail.end());
  return file;
}

namespace {

class Reader {
 public:
  Reader(const Bytes& tiff, bool be, ParsedExif& out) : t_(tiff), be_(be), out_(out) {}

  bool In(std::uint64_t off, std::uint64_t n) const {
    return off <= t_.size() && n <= t_.size() - off;
  }
  std::uint32_t U16(std::uint64_t o) const {
    return be_ ? (t_[o] << 8 | t_[o + 1]) : (t_[o + 1] << 8 | t_[o]);
  }
  std::uint32_t U32(std::uint64_t o) const {
    return be_ ? (std::uint32_t(U16(o)) << 16 | U16(o + 2))
               : (std::uint32_t(U16(o + 2)) << 16 | U16(o));
  }
  void Problem(const std::string& p) { out_.problems.push_back(p); }

  // Reads one IFD; returns its next-IFD offset (0 when none or unreadable).
  std::uint32_t ReadIfd(const std::string& name, std::uint32_t off, bool sonyHeader = false) {
    if (sonyHeader) off += 12;
    out_.ifdOffsets[name] = off;
    if (off % 2) Problem(name + " at odd offset");
    if (!In(off, 2)) {
      Problem(name + " outside the segment");
      return 0;
    }
    const std::uint32_t count = U16(off);
    if (!In(off + 2, count * 12ull)) {
      Problem(name + " entries outside the segment");
      return 0;
    }
    std::vector<Field>& fields = out_.ifds[name];
    int lastTag = -1;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t e = off + 2 + 12ull * i;
      Field f{static_cast<std::uint16_t>(U16(e)),
              static_cast<std::uint16_t>(U16(e + 2)),
              U32(e + 4),
              {}};
      if (static_cast<int>(f.tag) <= lastTag) Problem(name + " tags out of order");
      lastTag = f.tag;
      const std::uint64_t unit = f.type == 3                     ? 2
                                 : (f.type == 4 || f.type == 9)  ? 4
                                 : (f.type == 5 || f.type == 10) ? 8
                                                                 : 1;
      const std::uint64_t size = unit * f.count;
      const std::uint32_t value = U32(e + 8);
      const bool pointer = (name == "IFD0" && (f.tag == 34665 || f.tag == 34853)) ||
                           (name == "Exif" && f.tag == 40965) || (name == "IFD1" && f.tag == 513);
      if (pointer) {
        if (name == "IFD0" && f.tag == 34665) pending_.push_back({"Exif", value});
        if (name == "IFD0" && f.tag == 34853) pending_.push_back({"GPS", value});
        if (name == "Exif" && f.tag == 40965) pending_.push_back({"Interop", value});
        if (f.tag == 513) thumbnail_ = value;
      } else if (size <= 4) {
        f.value.assign(t_.begin() + e + 8, t_.begin() + e + 8 + size);
      } else if (!In(value, size)) {
        Problem(name + " value outside the segment");
      } else {
        if (value % 2) Problem(name + " value at odd offset");
        f.value.assign(t_.begin() + value, t_.begin() + value + size);
        if (name == "Exif" && f.tag == 37500) makerNote_ = value;
      }
      if (f.tag == 514 && name == "IFD1") thumbnailLength_ = U32(e + 8);
      fields.push_back(f);
    }
    return In(off + 2 + 12ull * count, 4) ? U32(off + 2 + 12ull * count) : 0;
  }

  void ReadAll(bool sonyHeader) {
    const std::uint32_t ifd0 = U32(4);
    const std::uint32_t ifd1 = ReadIfd("IFD0", ifd0);
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      const auto [name, off] = pending_[i];
      ReadIfd(name, off);
    }
    if (makerNote_) {
      ReadIfd("MakerNote", makerNote_, sonyHeader && std::memcmp(&t_[makerNote_], "SONY", 4) == 0);
    }
    if (ifd1) ReadIfd("IFD1", ifd1);
    if (thumbnail_) {
      if (In(thumbnail_, thumbnailLength_)) {
        out_.thumbnail.assign(t_.begin() + thumbnail_, t_.begin() + thumbnail_ + thumbnailLength_);
      } else {
        Problem("thumbnail outside the segment");
      }
    }
  }

 private:
  const Bytes& t_;
  bool be_;
  ParsedExif& out_;
  std::vector<std::pair<std::string, std::uint32_t>> pending_;
  std::uint32_t makerNote_ = 0, thumbnail_ = 0, thumbnailLength_ = 0;
};

}  // namespace

ParsedExif ParseJpeg(const Bytes& file, bool sonyMakerHeader) {
  ParsedExif out;
  std::size_t pos = 2;
  while (pos + 4 <= file.size()) {
    const std::size_t length = file[pos + 2] << 8 | file[pos + 3];
    if (file[pos + 1] == 0xE1 && pos + 4 < file.size() && file[pos + 4] == 'E') {
      if (pos + 2 + length > file.size()) break;
      out.segmentLength = static_cast<std::uint32_t>(length);
      const Bytes tiff(file.begin() + pos + 10, file.begin() + pos + 2 + length);
      out.bigEndian = tiff[0] == 'M';
      Reader(tiff, out.bigEndian, out).ReadAll(sonyMakerHeader);
      out.tail.assign(file.begin() + pos + 2 + length, file.end());
      return out;
    }
    pos += 2 + length;
  }
  out.problems.push_back("no EXIF segment");
  return out;
}

std::uint32_t FieldU32(const ParsedExif& exif, const Field& field, int index) {
  const std::uint8_t* p = field.value.data() + 4 * index;
  return exif.bigEndian ? (std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3])
                        : (std::uint32_t(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0]);
}

const Field* FindField(const ParsedExif& exif, const std::string& ifd, std::uint16_t tag) {
  const auto it = exif.ifds.find(ifd);
  if (it == exif.ifds.end()) return nullptr;
  for (const Field& f : it->second)
    if (f.tag == tag) return &f;
  return nullptr;
}

}  // namespace exiftest
