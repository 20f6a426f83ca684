// Many outputs written as one batch (the geotagged copies of one photo job):
// each folder is cleaned of stale temporaries once, at the batch's first
// output into it, and the batch is made durable once, at its end, instead
// of per output. Meant for outputs that a rerun writes again from sources
// the batch never touches, so that a crash before the end loses nothing
// that cannot be remade.
#pragma once

#include <filesystem>
#include <set>

class OutputBatch {
 public:
  // Starts a batch, forgetting the folders of an earlier one.
  void Begin();
  bool IsActive() const { return m_active; }
  // Before an output of the batch is created at target: removes the stale
  // temporaries of its folder, the first time only.
  void Prepare(const std::filesystem::path& target);
  // After an output of the batch has been renamed into place at target.
  void Committed(const std::filesystem::path& target);
  // Makes every output committed in the batch durable, with the folders
  // that name them, and ends the batch. Returns 0, or the errno of the
  // first failure with the folder concerned in failedFolder.
  int Finish(std::filesystem::path* failedFolder = nullptr);

 private:
  bool m_active = false;
  std::set<std::filesystem::path> m_cleaned;
  std::set<std::filesystem::path> m_written;
};
