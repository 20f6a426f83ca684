#include "link/SimPortAnnouncement.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

fs::path AnnouncementFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return fs::path(runtime) / "navrel" / "ports";
  return fs::path("/tmp") / ("navrel-" + std::to_string(getuid())) / "ports";
}

}  // namespace

std::string AnnounceSimulatedPort(const std::string& path, const std::string& name,
                                  const std::string& id) {
  std::error_code ec;
  fs::path folder = AnnouncementFolder();
  fs::create_directories(folder, ec);
  fs::path file = folder / (id + "-" + std::to_string(getpid()) + ".port");
  fs::path tmp = file;
  tmp += ".tmp";
  {
    std::ofstream out(tmp);
    out << "path=" << path << "\nname=" << name << "\nid=" << id << "\npid=" << getpid() << "\n";
    if (!out) return {};
  }
  fs::rename(tmp, file, ec);
  return ec ? std::string() : file.string();
}

void WithdrawSimulatedPort(const std::string& file) {
  std::error_code ec;
  if (!file.empty()) fs::remove(file, ec);
}

std::vector<SimulatedPort> ListSimulatedPorts() {
  std::vector<SimulatedPort> ports;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(AnnouncementFolder(), ec)) {
    if (entry.path().extension() != ".port") continue;
    std::ifstream in(entry.path());
    SimulatedPort port;
    for (std::string line; std::getline(in, line);) {
      auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      if (key == "path")
        port.path = value;
      else if (key == "name")
        port.name = value;
      else if (key == "id")
        port.id = value;
      else if (key == "pid")
        port.pid = std::atol(value.c_str());
    }
    // A simulator that ended without withdrawing leaves a stale file.
    if (port.path.empty() || port.pid <= 0 || (kill(port.pid, 0) != 0 && errno == ESRCH)) continue;
    ports.push_back(port);
  }
  return ports;
}
