#include "logger/LogDumpFile.h"

#include <cerrno>
#include <filesystem>

#include "common/FailureText.h"
#include "res/AllIds.h"

void CLogDumpFile::Drop(UINT what, int err) {
  m_error = FailureText(what, m_path, err);
  m_stream = nullptr;
  m_output.Discard();
}

bool CLogDumpFile::Open(const std::string& folder) {
  Close();
  m_error.clear();
  m_path = (std::filesystem::path(folder) / kFileName).string();
  if (const int err = m_output.Create(m_path); err != 0) {
    Drop(IDS_CANNOT_CREATE, err);
    return false;
  }
  m_stream = m_output.Stream();
  if (!m_stream) {
    Drop(IDS_CANNOT_CREATE, errno);
    return false;
  }
  return true;
}

bool CLogDumpFile::Write(const void* data, std::size_t size) {
  if (!m_stream) return false;
  if (std::fwrite(data, 1, size, m_stream) != size) {
    Drop(IDS_CANNOT_WRITE, errno ? errno : EIO);
    return false;
  }
  return true;
}

bool CLogDumpFile::Close() {
  if (!m_stream) return m_error.empty();
  m_stream = nullptr;
  if (const int err = m_output.Commit(); err != 0) {
    Drop(IDS_CANNOT_WRITE, err);
    return false;
  }
  return true;
}
