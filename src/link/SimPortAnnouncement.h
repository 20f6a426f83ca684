// How a running simulated logger makes its pseudo-terminal known to the port
// enumeration: a small file <runtime>/navrel/ports/<pid>-<id>.port, where
// <runtime> is $XDG_RUNTIME_DIR or else /tmp/navrel-<uid>. The file holds
// key=value lines: path (the pseudo-terminal), name (the driver display name
// the port shows, e.g. "CP210x USB to UART Bridge Controller"), id (a stable
// adapter id, so the port keeps its COM number), pid and start (the process
// and its start time, so that files of ended processes are ignored).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Writes the announcement; returns its file path, or "" when it could not be
// written.
std::string AnnounceSimulatedPort(const std::string& path, const std::string& name,
                                  const std::string& id);

// Removes an announcement written by AnnounceSimulatedPort.
void WithdrawSimulatedPort(const std::string& file);

struct AnnouncedPort {
  std::string path;
  std::string name;
  std::string id;
};

// The announced ports whose process is running and whose device exists.
// Files of ended processes are removed.
std::vector<AnnouncedPort> ReadAnnouncedPorts();

// <runtime>/navrel/ports
std::filesystem::path GetPortAnnouncementFolder();

// Points <runtime> elsewhere (tests); an empty path restores the default.
void SetRuntimeFolderForTesting(const std::filesystem::path& folder);
