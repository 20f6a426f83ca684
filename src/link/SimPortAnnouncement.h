// Ports that a running simulated logger announces to the port enumeration:
// one file of key=value lines (path=, name=, id=, pid=) per port in the
// user's runtime folder.
#pragma once

#include <string>
#include <vector>

// Writes the announcement; returns its file, or empty on failure.
std::string AnnounceSimulatedPort(const std::string& path, const std::string& name,
                                  const std::string& id);
// Removes an announcement written by AnnounceSimulatedPort.
void WithdrawSimulatedPort(const std::string& file);

struct SimulatedPort {
  std::string path, name, id;
  long pid = 0;
};
// The announcements of simulated loggers that are still running.
std::vector<SimulatedPort> ListSimulatedPorts();
