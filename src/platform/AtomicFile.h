// Replacing a small file so that a crash, a full disk or a concurrent reader
// sees either the old contents or the new ones, never a mix.
#pragma once

#include <filesystem>
#include <string>

// Writes data to a temporary file beside path (see OutputFile.h: stale ones
// of killed writers are removed first, a replaced file keeps its mode, one
// the user may not write is refused), flushes it to disk and renames it
// over path. Returns 0, or the errno of the failing step (the old file is
// then untouched and the temporary file removed).
int WriteFileAtomically(const std::filesystem::path& path, const std::string& data,
                        unsigned mode = 0600);

// Reads a whole file. Returns 0, or the errno of the failing step.
int ReadWholeFile(const std::filesystem::path& path, std::string& data,
                  std::size_t maxBytes = 16u << 20);
