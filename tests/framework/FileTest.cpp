#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "framework/File.h"
#include "framework/StdioFile.h"
#include "support/test_support.h"

namespace {
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
}  // namespace

TEST(File, CreateWriteSeekReadAndLength) {
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "f.bin").string();
  CFile file;
  ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
  EXPECT_EQ(file.GetFilePath(), path);
  EXPECT_EQ(file.GetFileName(), "f.bin");
  file.Write("hello world", 11);
  EXPECT_EQ(file.GetPosition(), 11u);
  EXPECT_EQ(file.GetLength(), 11u);
  EXPECT_EQ(file.Seek(6, CFile::begin), 6u);
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(file.SeekToEnd(), 11u);
  file.Seek(-5, CFile::end);
  file.Write("WORLD", 5);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadAll(path), "hello WORLD");
}

TEST(File, NoTruncateKeepsContentCreateTruncates) {
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "f.bin").string();
  {
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    file.Write("abcdef", 6);
  }
  {
    CFile file(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
    EXPECT_EQ(file.GetLength(), 6u);
    file.Write("XY", 2);
  }
  EXPECT_EQ(ReadAll(path), "XYcdef");
  { CFile file(path, CFile::modeCreate | CFile::modeWrite); }
  EXPECT_EQ(ReadAll(path), "");
}

TEST(File, OpenFailuresKeepTheSystemError) {
  testsupport::TempDir dir;
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open((dir.path() / "missing").string(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, ENOENT);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_NE(error.GetErrorMessage().find("missing: No such file"), std::string::npos);
  EXPECT_FALSE(file.Open(dir.path().string(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::accessDenied);
  EXPECT_THROW(CFile((dir.path() / "missing").string(), CFile::modeRead), CFileException);
  // A read-only file cannot be opened for writing (unless we are root).
  const std::string path = (dir.path() / "ro").string();
  { CFile f(path, CFile::modeCreate | CFile::modeWrite); }
  ::chmod(path.c_str(), 0400);
  if (::geteuid() != 0) {
    EXPECT_FALSE(file.Open(path, CFile::modeWrite, &error));
    EXPECT_EQ(error.m_lOsError, EACCES);
    EXPECT_NE(error.GetErrorMessage().find("Permission denied"), std::string::npos);
  }
}

TEST(File, WriteToFullDiskThrowsDiskFull) {
  CFile file;
  if (!file.Open("/dev/full", CFile::modeWrite)) GTEST_SKIP() << "no /dev/full";
  try {
    file.Write("x", 1);
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
  }
  CStdioFile stdio;
  ASSERT_TRUE(stdio.Open("/dev/full", CFile::modeWrite));
  stdio.WriteString("buffered text");
  EXPECT_THROW(stdio.Close(), CFileException);  // the buffered rest fails on close
}

TEST(StdioFile, TextModeWritesAndReadsCrLf) {
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "t.txt").string();
  {
    CStdioFile file(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    file.WriteString("one\ntwo\n");
    file.WriteString("three");
  }
  EXPECT_EQ(ReadAll(path), "one\r\ntwo\r\nthree");
  CStdioFile file(path, CFile::modeRead | CFile::typeText);
  std::string line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "one");
  char buffer[8];
  ASSERT_NE(file.ReadString(buffer, sizeof buffer), nullptr);
  EXPECT_STREQ(buffer, "two\n");
  ASSERT_NE(file.ReadString(buffer, 3), nullptr);  // a piece of at most 2
  EXPECT_STREQ(buffer, "th");
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "ree");
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_EQ(file.ReadString(buffer, sizeof buffer), nullptr);
}

TEST(StdioFile, BinaryModeKeepsBytes) {
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "b.bin").string();
  {
    CStdioFile file(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    file.WriteString("a\nb\r\n");
    EXPECT_EQ(file.GetPosition(), 5u);
    EXPECT_EQ(file.GetLength(), 5u);
  }
  EXPECT_EQ(ReadAll(path), "a\nb\r\n");
  CStdioFile file(path, CFile::modeRead | CFile::typeBinary);
  char bytes[8];
  EXPECT_EQ(file.Read(bytes, 8), 5u);
  file.SeekToBegin();
  std::string line;
  ASSERT_TRUE(file.ReadString(line));
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "b\r");
}
