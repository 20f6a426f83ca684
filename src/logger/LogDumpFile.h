// The raw dump of a chipset log download ("Mirla.trl" in the track-log
// folder): every completed 64 KB sector as read, headers included. It is
// written to a temporary file beside its name and moved there when closed,
// also after a cancelled download, so an earlier dump is only replaced by a
// complete file.
#pragma once

#include <cstdio>
#include <string>

#include "platform/OutputFile.h"
#include "platform/WinTypes.h"

class CLogDumpFile {
 public:
  static constexpr const char* kFileName = "Mirla.trl";

  CLogDumpFile() = default;
  ~CLogDumpFile() { Close(); }
  CLogDumpFile(const CLogDumpFile&) = delete;
  CLogDumpFile& operator=(const CLogDumpFile&) = delete;

  // FALSE (with Error() set) when the file cannot be created in folder.
  bool Open(const std::string& folder);
  bool IsOpen() const { return m_stream != nullptr; }
  // FALSE (with Error() set) when the write fails; the dump is then dropped.
  bool Write(const void* data, std::size_t size);
  // Moves the dump into place; FALSE (with Error() set) when that fails.
  bool Close();
  const std::string& Error() const { return m_error; }
  const std::string& Path() const { return m_path; }

 private:
  void Drop(UINT what, int err);

  OutputFile m_output;
  std::FILE* m_stream = nullptr;  // the output's stream while open
  std::string m_path;
  std::string m_error;
};
