// Whole-file conversion: opens the source, writes the export to a temporary
// file beside the target and moves it into place only when complete.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "formats/TrackLogExport.h"

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

BOOL Fail(std::string* error, const std::string& text, int err) {
  if (error != nullptr) *error = err != 0 ? text + ": " + std::strerror(err) : text;
  errno = err;
  return FALSE;
}
}  // namespace

BOOL CTrackLogExport::ConvertTrlFile(const std::string& trlPath, const std::string& outPath,
                                     TrackOutputFormat format, std::string* error) {
  if (format < kTrackOutputText || format > kTrackOutputGpx)
    return Fail(error, "Unknown output format", EINVAL);
  if (outPath.empty()) return Fail(error, "No output file name", EINVAL);
  FilePtr source(std::fopen(trlPath.c_str(), "rb"));
  if (!source) return Fail(error, "Cannot open " + trlPath, errno);
  struct stat in {
  }, out{};
  const bool hadOutput = ::stat(outPath.c_str(), &out) == 0;
  if (hadOutput && ::fstat(fileno(source.get()), &in) == 0 && in.st_dev == out.st_dev &&
      in.st_ino == out.st_ino)
    return Fail(error, "The output " + outPath + " is the track-log file itself", EEXIST);

  std::string temp = outPath + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Fail(error, "Cannot create " + outPath, errno);
  FilePtr output(::fdopen(fd, "wb"));
  if (!output) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return Fail(error, "Cannot create " + outPath, err);
  }
  if (!WriteFormat(format, source.get(), output.get())) {
    const int err = errno;
    output.reset();
    ::unlink(temp.c_str());
    return Fail(error, "Cannot write " + outPath, err);
  }
  std::FILE* raw = output.release();
  if (std::fclose(raw) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return Fail(error, "Cannot write " + outPath, err);
  }
  // mkstemp creates the file private: keep the mode of the file it replaces,
  // or give a new one the usual rw-r--r--.
  ::chmod(temp.c_str(), hadOutput ? (out.st_mode & 07777) : 0644);
  if (std::rename(temp.c_str(), outPath.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return Fail(error, "Cannot create " + outPath, err);
  }
  return TRUE;
}
