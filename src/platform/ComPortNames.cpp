#include "platform/ComPortNames.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>

#include "link/PortScan.h"
#include "platform/AtomicFile.h"
#include "platform/ConfigFolder.h"
#include "platform/Trace.h"

namespace {

constexpr const char* kHeader = "NAVREL COMPORTS 1";
constexpr int kMaxComNumber = 9999;

std::mutex g_tableMutex;

std::filesystem::path TablePath() { return GetConfigFolder() / "comports"; }

bool Printable(const std::string& s) {
  return std::none_of(s.begin(), s.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// Lines "COM<n>\t<id>\t<path>". Lines that do not parse are skipped (and
// reported): the rest of the table stays valid. damaged tells that some were.
std::vector<ComPortTableEntry> ParseTable(const std::string& text, bool& damaged) {
  std::vector<ComPortTableEntry> entries;
  std::size_t start = 0;
  int lineNo = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (++lineNo == 1 && line == kHeader) continue;
    if (line.empty()) continue;
    std::size_t t1 = line.find('\t');
    std::size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    ComPortTableEntry e;
    if (t2 != std::string::npos) {
      e.number = ParseComPortNumber(line.substr(0, t1));
      e.id = line.substr(t1 + 1, t2 - t1 - 1);
      e.devPath = line.substr(t2 + 1);
    }
    bool duplicate = std::any_of(entries.begin(), entries.end(), [&](const auto& o) {
      return o.number == e.number || o.id == e.id;
    });
    if (e.number <= 0 || e.id.empty() || duplicate) {
      TraceOutput("navrel: skipping line %d of the COM-port table %s\n", lineNo,
                  TablePath().c_str());
      damaged = true;
      continue;
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string FormatTable(const std::vector<ComPortTableEntry>& entries) {
  std::string out = kHeader;
  out += '\n';
  for (const auto& e : entries)
    out += "COM" + std::to_string(e.number) + '\t' + e.id + '\t' + e.devPath + '\n';
  return out;
}

// The table as stored. A table that exists but cannot be read is never
// replaced (writable false); one with damaged lines is kept aside before it is
// replaced (damaged true).
std::vector<ComPortTableEntry> LoadTableLocked(bool& writable, bool& damaged) {
  writable = true;
  damaged = false;
  std::string text;
  if (int err = ReadWholeFile(TablePath(), text, 1u << 20); err != 0) {
    if (err != ENOENT) {
      TraceOutput("navrel: could not read the COM-port table %s: %s\n", TablePath().c_str(),
                  std::strerror(err));
      writable = false;
    }
    return {};
  }
  return ParseTable(text, damaged);
}

// Renames the damaged table to "comports.damaged-<time>" so that the lines
// that could not be read are not lost when the table is written again.
bool SetDamagedTableAside() {
  char stamp[32];
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::filesystem::path aside = TablePath();
  aside += std::string(".damaged-") + stamp;
  if (std::rename(TablePath().c_str(), aside.c_str()) != 0 && errno != ENOENT) {
    TraceOutput("navrel: could not keep the damaged COM-port table %s aside: %s\n",
                TablePath().c_str(), std::strerror(errno));
    return false;
  }
  TraceOutput("navrel: the damaged COM-port table was kept as %s\n", aside.c_str());
  return true;
}

std::string FallbackDevice(int number) { return "/dev/ttyS" + std::to_string(number - 1); }

}  // namespace

int ParseComPortNumber(const std::string& name) {
  std::size_t pos = 0;
  // "\\.\" and its forward-slash spellings
  if (name.size() > 3 && (name[0] == '\\' || name[0] == '/') &&
      (name[1] == '\\' || name[1] == '/') && name[2] == '.') {
    pos = 3;
    while (pos < name.size() && (name[pos] == '\\' || name[pos] == '/')) ++pos;
    if (pos == 3) return 0;
  }
  if (name.size() < pos + 4 || strncasecmp(name.c_str() + pos, "COM", 3) != 0) return 0;
  pos += 3;
  if (name[pos] == '0') return 0;
  int number = 0;
  for (; pos < name.size(); ++pos) {
    if (name[pos] < '0' || name[pos] > '9') return 0;
    number = number * 10 + (name[pos] - '0');
    if (number > kMaxComNumber) return 0;
  }
  return number;
}

std::vector<ComPortTableEntry> LoadComPortTable() {
  std::lock_guard lock(g_tableMutex);
  bool writable = true, damaged = false;
  return LoadTableLocked(writable, damaged);
}

std::vector<int> AssignComPortNumbers(const std::vector<ComPortClaim>& claims) {
  std::lock_guard lock(g_tableMutex);
  ConfigFileLock fileLock("comports.lock");
  bool writable = true, damaged = false;
  std::vector<ComPortTableEntry> table = LoadTableLocked(writable, damaged);
  std::vector<int> numbers(claims.size(), 0);
  bool changed = false;
  std::set<int> used;
  for (const auto& e : table) used.insert(e.number);

  auto assign = [&](std::size_t i, bool withPreference) {
    const ComPortClaim& c = claims[i];
    if (numbers[i] != 0 || c.id.empty() || !Printable(c.id) || !Printable(c.devPath)) return;
    auto known =
        std::find_if(table.begin(), table.end(), [&](const auto& e) { return e.id == c.id; });
    if (known != table.end()) {
      numbers[i] = known->number;
      if (known->devPath != c.devPath) {
        known->devPath = c.devPath;
        changed = true;
      }
      return;
    }
    if (withPreference != (c.preferred > 0)) return;
    int n = 0;
    if (c.preferred > 0 && c.preferred <= kMaxComNumber && !used.count(c.preferred))
      n = c.preferred;
    for (int k = 1; n == 0 && k <= kMaxComNumber; ++k)
      if (!used.count(k)) n = k;
    if (n == 0) return;
    used.insert(n);
    table.push_back(ComPortTableEntry{n, c.id, c.devPath});
    numbers[i] = n;
    changed = true;
  };
  // Ports with a number of their own (built-in ports) are placed first, so
  // that a new adapter does not take it from them.
  for (std::size_t i = 0; i < claims.size(); ++i) assign(i, true);
  for (std::size_t i = 0; i < claims.size(); ++i) assign(i, false);

  if (changed && writable && (!damaged || SetDamagedTableAside())) {
    std::sort(table.begin(), table.end(),
              [](const auto& a, const auto& b) { return a.number < b.number; });
    int err = EnsureConfigFolder() ? WriteFileAtomically(TablePath(), FormatTable(table)) : errno;
    if (err != 0)
      TraceOutput("navrel: could not save the COM-port table %s: %s\n", TablePath().c_str(),
                  std::strerror(err));
  }
  return numbers;
}

std::string ResolveComPortName(const std::string& name) {
  int number = ParseComPortNumber(name);
  if (number == 0) return name;  // a device path, or a name to open as given
  bool treeReadable = false;
  std::vector<ComPortClaim> present = ScanPresentPortClaims(&treeReadable);
  std::vector<int> numbers = AssignComPortNumbers(present);
  for (std::size_t i = 0; i < present.size(); ++i)
    if (numbers[i] == number) return present[i].devPath;
  // The holder is away. Its last place is used when nothing else is there
  // now (the open then reports that the port is missing); a device found
  // there now is another one, such as a terminal that reuses a simulated
  // logger's pseudo-terminal, and is never opened in its stead. Without the
  // kernel's port list the last place is the best guess.
  for (const auto& e : LoadComPortTable()) {
    if (e.number != number) continue;
    struct stat st {};
    if (!e.devPath.empty() && (!treeReadable || stat(e.devPath.c_str(), &st) != 0))
      return e.devPath;
    return "";  // the number is taken: no other device stands in for it
  }
  // A free number opens the built-in port of that number, unless that port
  // is present under another number.
  std::string fallback = FallbackDevice(number);
  for (const auto& p : present)
    if (p.devPath == fallback) return "";
  return fallback;
}
