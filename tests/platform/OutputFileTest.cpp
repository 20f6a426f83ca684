// The shared output writer: which temporaries the next writer removes, what
// Create refuses, and the error Commit reports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/OutputFile.h"
#include "platform/TempFile.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// A process id that no process has any more: a child that has ended and
// been reaped.
pid_t EndedPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Takes the lock a running writer holds on its temporary; released when
// the descriptor closes.
int HoldAsWriter(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string Temporary(const fs::path& target, pid_t pid, int n) {
  return target.string() + ".tmp." + std::to_string(pid) + "." + std::to_string(n);
}

}  // namespace

TEST(OutputFile, TheNextWriterRemovesOnlyStaleTemporariesOfTheUsersOwn) {
  testsupport::TempDir dir;
  const fs::path target = dir.path() / "out.txt";
  const pid_t gone = EndedPid();
  // A writer in another pid namespace (or one whose pid was reused) names
  // its temporary with a pid that means nothing here: its lock tells.
  const std::string running = Temporary(target, gone, 0);
  WriteText(running, "half");
  const int held = HoldAsWriter(running);
  ASSERT_GE(held, 0);
  // Left by a killed writer whose pid now belongs to a running process.
  WriteText(Temporary(target, getppid(), 0), "stale");
  // Nothing but a regular file of the user at exactly a temporary's name.
  const fs::path kept = dir.path() / "kept.txt";
  WriteText(kept, "the user's");
  fs::create_symlink(kept, Temporary(target, gone, 1));
  ASSERT_EQ(::mkfifo(Temporary(target, gone, 2).c_str(), 0600), 0);
  fs::create_directory(Temporary(target, gone, 3));
  WriteText(Temporary(target, gone, 4) + ".bak", "not ours");
  WriteText(target.string() + ".tmp.0" + std::to_string(gone) + ".5", "not ours");
  // Another user's file (where the test may give one away).
  const std::string foreign = Temporary(target, gone, 6);
  WriteText(foreign, "theirs");
  if (::chown(foreign.c_str(), geteuid() + 1, static_cast<gid_t>(-1)) != 0) fs::remove(foreign);
  std::vector<std::string> expected = Names(dir.path());
  expected.erase(std::find(expected.begin(), expected.end(),
                           fs::path(Temporary(target, getppid(), 0)).filename().string()));
  expected.push_back("out.txt");
  std::sort(expected.begin(), expected.end());

  OutputFile output;
  ASSERT_EQ(output.Create(target), 0);
  ASSERT_EQ(output.Commit(), 0);
  ::close(held);
  EXPECT_EQ(Names(dir.path()), expected);
  EXPECT_EQ(fs::file_size(kept), 10u);
}

TEST(OutputFile, AFolderAtTheOutputsNameIsRefusedBeforeAnythingIsWritten) {
  testsupport::TempDir dir;
  const fs::path target = dir.path() / "out.kml";
  fs::create_directory(target);
  OutputFile output;
  EXPECT_EQ(output.Create(target), EISDIR);
  EXPECT_FALSE(output.IsOpen());
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out.kml"});
  EXPECT_TRUE(fs::is_empty(target));
}

TEST(OutputFile, CommitReportsTheErrorOfTheFailedWriteNotAnInputOutputError) {
  testsupport::TempDir dir;
  const fs::path target = dir.path() / "big.txt";
  OutputFile output;
  ASSERT_EQ(output.Create(target), 0);
  std::FILE* stream = output.Stream();
  ASSERT_NE(stream, nullptr);
  // A file-size limit makes the writes fail half-way, as a full disk does.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 10000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  // Whole blocks, so that nothing the failed writes left is still buffered
  // at the commit: only the stream's error flag remains of them.
  const std::string block(1 << 16, 'x');
  for (int i = 0; i < 4; ++i) std::fwrite(block.data(), 1, block.size(), stream);
  const int err = output.Commit();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(err, EFBIG) << std::strerror(err);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{});
}

TEST(OutputFile, ANewTemporaryIsNeverTakenForAStaleOneByACleanerAtWork) {
  testsupport::TempDir dir;
  const fs::path target = dir.path() / "out.txt";
  // Another writer of the same folder cleans it over and over meanwhile.
  std::atomic<bool> stop{false};
  std::thread cleaner([&] {
    while (!stop) RemoveStaleTempFiles(target);
  });
  int failed = 0;
  for (int i = 0; i < 3000 && failed == 0; ++i) {
    OutputFile output;
    const int created = output.Create(target);
    if (created == 0 && ::write(output.Descriptor(), "x", 1) == 1 && output.Commit() == 0) continue;
    ++failed;
  }
  stop = true;
  cleaner.join();
  EXPECT_EQ(failed, 0);
}
