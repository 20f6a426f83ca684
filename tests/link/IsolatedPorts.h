// Keeps a test's port names and enumeration away from the machine's own: an
// empty kernel port list, and the COM table and simulated-port announcements
// in a temporary folder.
#pragma once

#include "link/PortScan.h"
#include "link/SimPortAnnouncement.h"
#include "platform/ConfigFolder.h"
#include "support/test_support.h"

class IsolatedPorts {
 public:
  IsolatedPorts() {
    SetConfigFolderForTesting(dir_.path() / "config");
    SetSysfsRootForTesting(dir_.path() / "nosys");
    SetRuntimeFolderForTesting(dir_.path());
  }
  ~IsolatedPorts() {
    SetConfigFolderForTesting({});
    SetSysfsRootForTesting({});
    SetRuntimeFolderForTesting({});
  }
  IsolatedPorts(const IsolatedPorts&) = delete;
  IsolatedPorts& operator=(const IsolatedPorts&) = delete;

 private:
  testsupport::TempDir dir_;
};
