#include "ui/VersionResource.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

constexpr size_t kMaxImageSize = size_t{512} << 20;

bool ReadFile(const char* file, std::vector<BYTE>& data) {
  if (!file || !*file) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size <= 0 || static_cast<size_t>(size) > kMaxImageSize) return false;
  in.seekg(0);
  data.resize(static_cast<size_t>(size));
  return static_cast<bool>(in.read(reinterpret_cast<char*>(data.data()), size));
}

// Bounds-checked little-endian reads: out-of-range reads set ok to false.
struct Reader {
  const std::vector<BYTE>& b;
  bool ok = true;
  uint64_t Get(size_t at, int bytes) {
    if (at > b.size() || b.size() - at < static_cast<size_t>(bytes)) {
      ok = false;
      return 0;
    }
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
  }
  DWORD D(size_t at) { return static_cast<DWORD>(Get(at, 4)); }
  WORD W(size_t at) { return static_cast<WORD>(Get(at, 2)); }
};

// The version block of a file: a PE image's resource or our own ELF section.
bool BlockOf(const char* file, std::vector<BYTE>& block) {
  std::vector<BYTE> image;
  if (!ReadFile(file, image)) return false;
  if (image.size() >= 2 && image[0] == 'M' && image[1] == 'Z')
    return FindPeVersionResource(image, block) && !block.empty();
  if (image.size() >= 4 && std::memcmp(image.data(),
                                       "\x7f"
                                       "ELF",
                                       4) == 0)
    return FindElfSection(image, kVersionSectionName, block) && !block.empty();
  return false;
}

struct LangName {
  const char* name;  // "ll" or "ll_CC"
  WORD id;
};

constexpr LangName kLanguages[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"de_DE", 0x0407},
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C},
    {"fr_CH", 0x100C}, {"zh_TW", 0x0404}, {"zh_CN", 0x0804}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004},
    {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"it_IT", 0x0410},
    {"it_CH", 0x0810}, {"nl_NL", 0x0413}, {"nl_BE", 0x0813}, {"sv_SE", 0x041D}, {"en", 0x0409},
    {"de", 0x0407},    {"fr", 0x040C},    {"zh", 0x0804},    {"es", 0x0C0A},    {"pt", 0x0416},
    {"it", 0x0410},    {"nl", 0x0413},    {"sv", 0x041D},    {"ja", 0x0411},    {"ko", 0x0412},
    {"ru", 0x0419},    {"pl", 0x0415},    {"cs", 0x0405},    {"da", 0x0406},    {"fi", 0x040B},
    {"nb", 0x0414},    {"no", 0x0414},    {"el", 0x0408},    {"hu", 0x040E},    {"tr", 0x041F},
    {"he", 0x040D},    {"ar", 0x0401},    {"th", 0x041E},
};

}  // namespace

BOOL FindPeVersionResource(const std::vector<BYTE>& image, std::vector<BYTE>& block) {
  block.clear();
  Reader r{image};
  if (r.W(0) != 0x5A4D) return FALSE;
  size_t pe = r.D(0x3C);
  if (!r.ok || r.D(pe) != 0x00004550) return FALSE;
  size_t coff = pe + 4;
  size_t sections = r.W(coff + 2);
  size_t optSize = r.W(coff + 16);
  size_t opt = coff + 20;
  WORD magic = r.W(opt);
  size_t dirCountAt, dirsAt;
  if (magic == 0x10B) {
    dirCountAt = opt + 92;
    dirsAt = opt + 96;
  } else if (magic == 0x20B) {
    dirCountAt = opt + 108;
    dirsAt = opt + 112;
  } else {
    return FALSE;
  }
  if (r.D(dirCountAt) < 3 || !r.ok) return FALSE;
  DWORD resRva = r.D(dirsAt + 2 * 8);
  if (!r.ok || resRva == 0) return FALSE;
  size_t sectionTable = opt + optSize;

  // Maps a relative virtual address to a file offset through the section table.
  auto toOffset = [&](DWORD rva, size_t& offset) {
    for (size_t i = 0; i < sections; ++i) {
      size_t s = sectionTable + i * 40;
      DWORD vsize = r.D(s + 8), va = r.D(s + 12), rawSize = r.D(s + 16), raw = r.D(s + 20);
      if (!r.ok) return false;
      DWORD span = std::max(vsize, rawSize);
      if (rva >= va && rva - va < span) {
        if (rva - va >= rawSize) return false;
        offset = size_t{raw} + (rva - va);
        return offset < image.size();
      }
    }
    return false;
  };

  size_t root;
  if (!toOffset(resRva, root)) return FALSE;
  // Walks one directory level: the entry with the given id, or the first entry when id < 0.
  auto entry = [&](size_t dir, int id, DWORD& target) {
    size_t named = r.W(dir + 12), ids = r.W(dir + 14);
    for (size_t i = 0; i < named + ids && r.ok; ++i) {
      size_t e = dir + 16 + i * 8;
      DWORD name = r.D(e);
      DWORD data = r.D(e + 4);
      if (!r.ok) return false;
      if (id < 0 || (!(name & 0x80000000u) && name == static_cast<DWORD>(id))) {
        target = data;
        return true;
      }
    }
    return false;
  };
  DWORD t;
  if (!entry(root, 16, t) || !(t & 0x80000000u)) return FALSE;
  size_t nameDir = root + (t & 0x7FFFFFFFu);
  if (!entry(nameDir, -1, t) || !(t & 0x80000000u)) return FALSE;
  size_t langDir = root + (t & 0x7FFFFFFFu);
  if (!entry(langDir, -1, t) || (t & 0x80000000u)) return FALSE;
  size_t dataEntry = root + t;
  DWORD dataRva = r.D(dataEntry), dataSize = r.D(dataEntry + 4);
  size_t dataAt;
  if (!r.ok || dataSize == 0 || !toOffset(dataRva, dataAt)) return FALSE;
  if (image.size() - dataAt < dataSize) return FALSE;
  block.assign(image.begin() + dataAt, image.begin() + dataAt + dataSize);
  return TRUE;
}

BOOL FindElfSection(const std::vector<BYTE>& image, const std::string& name,
                    std::vector<BYTE>& contents) {
  contents.clear();
  Reader r{image};
  if (image.size() < 0x34 || std::memcmp(image.data(),
                                         "\x7f"
                                         "ELF",
                                         4) != 0)
    return FALSE;
  bool is64 = image[4] == 2;
  if ((image[4] != 1 && image[4] != 2) || image[5] != 1) return FALSE;  // little-endian only
  uint64_t shoff = is64 ? r.Get(0x28, 8) : r.D(0x20);
  size_t entSize = r.W(is64 ? 0x3A : 0x2E);
  size_t count = r.W(is64 ? 0x3C : 0x30);
  size_t strIndex = r.W(is64 ? 0x3E : 0x32);
  if (!r.ok || shoff == 0 || shoff > image.size() || entSize < (is64 ? 64u : 40u) ||
      strIndex >= count)
    return FALSE;
  struct Section {
    uint64_t name, type, offset, size;
  };
  auto section = [&](size_t i) {
    size_t s = static_cast<size_t>(shoff) + i * entSize;
    if (is64) return Section{r.D(s), r.D(s + 4), r.Get(s + 24, 8), r.Get(s + 32, 8)};
    return Section{r.D(s), r.D(s + 4), r.D(s + 16), r.D(s + 20)};
  };
  Section strings = section(strIndex);
  if (!r.ok || strings.offset > image.size() || image.size() - strings.offset < strings.size)
    return FALSE;
  for (size_t i = 0; i < count; ++i) {
    Section s = section(i);
    if (!r.ok) return FALSE;
    if (s.type == 8 || s.name >= strings.size) continue;  // no bytes in the file
    const char* at = reinterpret_cast<const char*>(image.data() + strings.offset + s.name);
    size_t room = static_cast<size_t>(strings.size - s.name);
    if (strnlen(at, room) == room || name != at) continue;
    if (s.offset > image.size() || image.size() - s.offset < s.size) return FALSE;
    contents.assign(image.begin() + s.offset, image.begin() + s.offset + s.size);
    return TRUE;
  }
  return FALSE;
}

DWORD GetFileVersionInfoSize(const char* file, DWORD* handle) {
  if (handle) *handle = 0;
  std::vector<BYTE> block;
  if (!BlockOf(file, block)) return 0;
  return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfo(const char* file, DWORD, DWORD len, void* data) {
  std::vector<BYTE> block;
  if (!data || !BlockOf(file, block)) return FALSE;
  std::memcpy(data, block.data(), std::min<size_t>(len, block.size()));
  return TRUE;
}

DWORD GetModuleFileName(HMODULE module, char* name, DWORD size) {
  if (module || !name || size == 0) return 0;
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return 0;
  size_t copy = std::min<size_t>(static_cast<size_t>(n), size - 1);
  std::memcpy(name, path.data(), copy);
  name[copy] = '\0';
  return static_cast<DWORD>(copy);
}

WORD GetUserDefaultLangID() {
  const char* locale = nullptr;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) {
      locale = v;
      break;
    }
  }
  if (!locale) return 0x0409;
  std::string name(locale);
  name = name.substr(0, name.find_first_of(".@"));
  std::string lang = name.substr(0, name.find('_'));
  for (const LangName& l : kLanguages)
    if (name == l.name) return l.id;
  for (const LangName& l : kLanguages)
    if (lang == l.name) return l.id;
  return 0x0409;
}
