#include "link/SimPortAnnouncement.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/AtomicFile.h"

namespace {

constexpr std::size_t kMaxFileSize = 4096;

std::mutex g_folderMutex;
std::filesystem::path g_testRuntime;

std::filesystem::path RuntimeFolder() {
  {
    std::lock_guard lock(g_folderMutex);
    if (!g_testRuntime.empty()) return g_testRuntime;
  }
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && xdg[0] == '/') return xdg;
  return "/tmp/navrel-" + std::to_string(getuid());
}

// A folder of ours: made 0700 when missing; refused when it is a link, not a
// folder, someone else's, or writable by others (a shared /tmp).
bool PrivateFolder(const std::filesystem::path& dir, bool create) {
  if (create && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 022) == 0;
}

bool PrepareFolders(bool create) {
  std::filesystem::path runtime = RuntimeFolder();
  if (!PrivateFolder(runtime, create)) return false;
  return PrivateFolder(runtime / "navrel", create) &&
         PrivateFolder(runtime / "navrel" / "ports", create);
}

std::string Clean(const std::string& text) {
  std::string out = text;
  std::replace_if(
      out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
  return out;
}

std::string FileSafe(const std::string& id) {
  std::string out;
  for (char c : id)
    out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
  return out.substr(0, 64);
}

// Field 22 of /proc/<pid>/stat: the start time, which tells a process from a
// later one that reuses its pid. "" when it cannot be read.
std::string ProcessStartTime(long pid) {
  std::string stat;
  if (ReadWholeFile("/proc/" + std::to_string(pid) + "/stat", stat, 4096) != 0) return "";
  std::size_t pos = stat.rfind(')');  // the command name may hold blanks
  if (pos == std::string::npos) return "";
  int field = 2;
  std::size_t start = pos + 1;
  while (field < 22) {
    start = stat.find(' ', start);
    if (start == std::string::npos) return "";
    ++start;
    ++field;
  }
  std::size_t end = stat.find(' ', start);
  return stat.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool ProcessAlive(long pid, const std::string& start) {
  if (pid <= 0 || pid > 0x3fffffff) return false;  // never signal a group
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  if (start.empty()) return true;
  std::string now = ProcessStartTime(pid);
  return now.empty() || now == start;
}

}  // namespace

std::filesystem::path GetPortAnnouncementFolder() { return RuntimeFolder() / "navrel" / "ports"; }

void SetRuntimeFolderForTesting(const std::filesystem::path& folder) {
  std::lock_guard lock(g_folderMutex);
  g_testRuntime = folder;
}

std::string AnnounceSimulatedPort(const std::string& path, const std::string& name,
                                  const std::string& id) {
  if (!PrepareFolders(true)) return "";
  long pid = getpid();
  std::filesystem::path file =
      GetPortAnnouncementFolder() / (std::to_string(pid) + "-" + FileSafe(id) + ".port");
  std::string text = "path=" + Clean(path) + "\nname=" + Clean(name) + "\nid=" + Clean(id) +
                     "\npid=" + std::to_string(pid) + "\n";
  if (std::string start = ProcessStartTime(pid); !start.empty()) text += "start=" + start + "\n";
  if (WriteFileAtomically(file, text, 0600) != 0) return "";
  return file.string();
}

void WithdrawSimulatedPort(const std::string& file) {
  if (!file.empty()) unlink(file.c_str());
}

std::vector<AnnouncedPort> ReadAnnouncedPorts() {
  std::vector<AnnouncedPort> ports;
  if (!PrepareFolders(false)) return ports;
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (std::filesystem::directory_iterator it(GetPortAnnouncementFolder(), ec), end;
       !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".port" && it->is_regular_file(ec) && !it->is_symlink(ec))
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::string text;
    if (ReadWholeFile(file, text, kMaxFileSize) != 0) continue;
    AnnouncedPort port;
    long pid = 0;
    std::string start;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      pos = end + 1;
      std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      if (key == "path")
        port.path = value;
      else if (key == "name")
        port.name = value;
      else if (key == "id")
        port.id = value;
      else if (key == "pid")
        pid = std::strtol(value.c_str(), nullptr, 10);
      else if (key == "start")
        start = value;
    }
    if (!ProcessAlive(pid, start)) {
      unlink(file.c_str());  // its logger has ended
      continue;
    }
    struct stat st {};
    if (port.path.rfind("/dev/", 0) != 0 || stat(port.path.c_str(), &st) != 0) continue;
    if (port.id.empty()) port.id = file.stem().string();
    ports.push_back(std::move(port));
  }
  return ports;
}
