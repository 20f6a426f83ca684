// Temporary files beside the file they will replace: "<target>.tmp.<pid>.<n>",
// created exclusively so that nothing already at that name (a file, a
// symbolic or hard link planted there or left by a crash) is ever written
// through, and renamed over the target once complete.
#pragma once

#include <filesystem>

// Creates a new empty temporary file beside target, the first free of
// "<target>.tmp.<pid>.0", ".1", ..., and returns its open descriptor (write
// only, close-on-exec) with its name in temp; -1 with errno set when none
// could be created.
int CreateTempFileBeside(const std::filesystem::path& target, std::filesystem::path& temp,
                         unsigned mode = 0600);

// Removes the temporaries of target left by processes that no longer run
// (killed while writing it); those of running processes are kept.
void RemoveStaleTempFiles(const std::filesystem::path& target);
