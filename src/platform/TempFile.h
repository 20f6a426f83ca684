// Temporary files beside the file they will replace: "<target>.tmp.<pid>.<n>",
// created exclusively so that nothing already at that name (a file, a
// symbolic or hard link planted there or left by a crash) is ever written
// through, and renamed over the target once complete.
//
// A writer holds an open-file-description write lock on its temporary from
// its creation on; the lock goes with the writer's last descriptor of it, or
// with the writer when it is killed. A temporary that nobody holds is stale.
// The pid in the name only keeps the names of processes apart: pids repeat
// in sandboxes and differ between pid namespaces, so it says nothing about
// whether the writer still runs.
#pragma once

#include <filesystem>

// Creates a new empty temporary file beside target, the first free of
// "<target>.tmp.<pid>.0", ".1", ..., locks it as its writer (where the file
// system has locks) and returns its open descriptor (write only,
// close-on-exec) with its name in temp; -1 with errno set when none could be
// created. Rename the temporary before closing the descriptor.
int CreateTempFileBeside(const std::filesystem::path& target, std::filesystem::path& temp,
                         unsigned mode = 0600);

// The folder that holds target ("." for a bare name).
std::filesystem::path FolderOf(const std::filesystem::path& target);

// Removes the stale temporaries of target: regular files of the user at
// exactly a temporary's name that no writer holds.
void RemoveStaleTempFiles(const std::filesystem::path& target);

// The same for the temporaries of every file in folder, in one listing.
void RemoveStaleTempFilesIn(const std::filesystem::path& folder);
