#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/ConfigFolder.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/TempFile.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { SetConfigFolderForTesting(dir_.path() / "navrel"); }
  void TearDown() override { SetConfigFolderForTesting({}); }

  fs::path StoreFile() const { return dir_.path() / "navrel" / "registry"; }

  static std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  HKEY Create(const char* subKey) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }

  static LONG SetString(HKEY key, const char* name, const std::string& text) {
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
  }

  testsupport::TempDir dir_;
};

TEST_F(RegistryTest, StringsAndNumbersSurviveReopening) {
  HKEY key = Create("Software\\Vanto\\R710");
  const std::string tricky = "a \"quoted\" \\path\\ with\nnew line, tab\t and \xe4\xb8\xad";
  ASSERT_EQ(SetString(key, "Text", tricky), ERROR_SUCCESS);
  DWORD number = 0xfffffffe;
  ASSERT_EQ(RegSetValueEx(key, "Number", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  // Key and value names are found whatever their case.
  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\VANTO\\r710", 0, KEY_READ, &again),
            ERROR_SUCCESS);
  char buffer[256];
  DWORD size = sizeof buffer, type = 0;
  ASSERT_EQ(RegQueryValueEx(again, "TEXT", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, tricky.size() + 1);
  EXPECT_EQ(std::string(buffer), tricky);
  DWORD read = 0;
  size = 4;
  ASSERT_EQ(RegQueryValueEx(again, "number", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(read, number);
  RegCloseKey(again);

  // The store is a text file a person can read.
  std::string text = ReadFile(StoreFile());
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Vanto\\R710]"), std::string::npos);
  EXPECT_NE(text.find("\"Number\"=dword:fffffffe"), std::string::npos);
}

TEST_F(RegistryTest, FailuresGiveTheirCodes) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Missing", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);

  key = Create("Software\\Vanto\\R710");
  BYTE buffer[4];
  DWORD size = sizeof buffer, type = 0;
  EXPECT_EQ(RegQueryValueEx(key, "Absent", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(SetString(key, "Long", "longer than four"), ERROR_SUCCESS);
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueEx(key, "Long", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 17u);
  size = 0;
  EXPECT_EQ(RegQueryValueEx(key, "Long", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 17u);
  RegCloseKey(key);

  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueEx(key, "Long", nullptr, &type, buffer, &size), ERROR_INVALID_HANDLE);

  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vanto", 0, KEY_READ, &readOnly),
            ERROR_SUCCESS);
  EXPECT_EQ(SetString(readOnly, "X", "y"), ERROR_ACCESS_DENIED);
  RegCloseKey(readOnly);
}

TEST_F(RegistryTest, LastErrorBelongsToEachThread) {
  SetLastError(ERROR_MORE_DATA);
  DWORD other = 1;
  std::thread([&] {
    SetLastError(ERROR_INVALID_DATA);
    other = GetLastError();
  }).join();
  EXPECT_EQ(other, static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
}

TEST_F(RegistryTest, FailedWriteKeepsThePreviousStore) {
  HKEY key = Create("Software\\Vanto\\R710");
  ASSERT_EQ(SetString(key, "Kept", "old value"), ERROR_SUCCESS);
  std::string before = ReadFile(StoreFile());

  // A file-size limit makes the write of the new store fail half-way, as a
  // full disk would.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = before.size() + 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  LONG result = SetString(key, "Big", std::string(4000, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_NE(result, ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(StoreFile()), before);
  for (const auto& entry : fs::directory_iterator(StoreFile().parent_path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
  char buffer[64];
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueEx(key, "Kept", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryTest, TemporariesOfKilledWritersAreRemovedByTheNextWrite) {
  HKEY key = Create("Software\\Vanto\\R710");
  ASSERT_EQ(SetString(key, "Kept", "old value"), ERROR_SUCCESS);
  // A writer killed (-9) half-way through its temporary file.
  const pid_t child = fork();
  if (child == 0) {
    std::filesystem::path temp;
    if (CreateTempFileBeside(StoreFile(), temp) >= 0) raise(SIGKILL);
    _exit(1);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  const fs::path stale = StoreFile().string() + ".tmp." + std::to_string(child) + ".0";
  ASSERT_TRUE(fs::exists(stale));
  // One of a writer that still runs may be in the middle of its write.
  fs::path running;
  const int held = CreateTempFileBeside(StoreFile(), running);
  ASSERT_GE(held, 0);

  ASSERT_EQ(SetString(key, "New", "v"), ERROR_SUCCESS);
  close(held);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_NE(ReadFile(StoreFile()).find("\"Kept\"=\"old value\""), std::string::npos);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DamagedStoreIsSetAsideNotOverwritten) {
  fs::create_directories(StoreFile().parent_path());
  const std::string garbage = "NAVREL REGISTRY 1\n[HKEY_CURRENT_USER\\Software]\n\"half";
  std::ofstream(StoreFile(), std::ios::binary) << garbage;

  HKEY key = Create("Software\\Vanto\\R710");
  BYTE buffer[8];
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueEx(key, "half", nullptr, nullptr, buffer, &size), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(SetString(key, "New", "v"), ERROR_SUCCESS);
  RegCloseKey(key);

  int damaged = 0;
  for (const auto& entry : fs::directory_iterator(StoreFile().parent_path())) {
    if (entry.path().filename().string().rfind("registry.damaged-", 0) == 0) {
      ++damaged;
      EXPECT_EQ(ReadFile(entry.path()), garbage);
    }
  }
  EXPECT_EQ(damaged, 1);
  EXPECT_NE(ReadFile(StoreFile()).find("\"New\"=\"v\""), std::string::npos);
}

TEST_F(RegistryTest, AtomicWriteReplacesWholeFile) {
  fs::path file = dir_.path() / "f";
  ASSERT_EQ(WriteFileAtomically(file, "first version, long"), 0);
  ASSERT_EQ(WriteFileAtomically(file, "second"), 0);
  EXPECT_EQ(ReadFile(file), "second");
  EXPECT_EQ(WriteFileAtomically(dir_.path() / "no" / "such" / "dir", "x"), ENOENT);
}

}  // namespace
