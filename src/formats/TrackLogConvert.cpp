// Whole-file conversion: opens the source, writes the export to a temporary
// file beside the target and moves it into place only when complete.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/FailureText.h"
#include "formats/TrackLogExport.h"
#include "platform/OutputFile.h"
#include "res/AllIds.h"

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void Describe(std::string* error, const std::string& text, int err) {
  if (error != nullptr) *error = err != 0 ? text + ": " + std::strerror(err) : text;
  errno = err;
}
}  // namespace

BOOL CTrackLogExport::ConvertTrlFile(const std::string& trlPath, const std::string& outPath,
                                     TrackOutputFormat format, std::string* error) {
  CTrackLogExport exporter;
  exporter.m_nFormat = format;
  return exporter.ConvertToFile(trlPath, outPath, error) == ConvertResult::Done;
}

CTrackLogExport::ConvertResult CTrackLogExport::ConvertToFile(const std::string& trlPath,
                                                              const std::string& outPath,
                                                              std::string* error) {
  using R = ConvertResult;
  if (m_nFormat < kTrackOutputText || m_nFormat > kTrackOutputGpx) {
    Describe(error, "Unknown output format", EINVAL);
    return R::OutputFailed;
  }
  if (outPath.empty()) {
    Describe(error, "No output file name", EINVAL);
    return R::OutputFailed;
  }
  FilePtr source(std::fopen(trlPath.c_str(), "rb"));
  if (!source) {
    Describe(error, FailureText(IDS_CANNOT_OPEN, trlPath), errno);
    return R::SourceFailed;
  }
  struct stat in {
  }, out{};
  if (::stat(outPath.c_str(), &out) == 0 && ::fstat(fileno(source.get()), &in) == 0 &&
      in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
    Describe(error, FailureText(IDS_OUTPUT_IS_TRACK, outPath), EEXIST);
    return R::OutputIsSource;
  }

  OutputFile output;
  if (const int err = output.Create(outPath); err != 0) {
    Describe(error, FailureText(IDS_CANNOT_CREATE, outPath), err);
    return R::OutputFailed;
  }
  if (output.Stream() == nullptr) {
    Describe(error, FailureText(IDS_CANNOT_CREATE, outPath), errno);
    return R::OutputFailed;
  }
  m_pSource = source.get();
  m_pOutput = output.Stream();
  const BOOL written = ConvertFile();
  const int writeErr = errno;
  m_pSource = m_pOutput = nullptr;
  if (!written) {
    const bool readFailed = std::ferror(source.get()) != 0;
    output.Discard();
    if (readFailed) {
      Describe(error, FailureText(IDS_CANNOT_READ, trlPath), writeErr);
      return R::SourceFailed;
    }
    Describe(error, FailureText(IDS_CANNOT_WRITE, outPath), writeErr);
    return R::OutputFailed;
  }
  if (const int err = output.Commit(); err != 0) {
    Describe(error, FailureText(IDS_CANNOT_WRITE, outPath), err);
    return R::OutputFailed;
  }
  return R::Done;
}
