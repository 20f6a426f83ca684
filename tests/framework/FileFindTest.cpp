#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "framework/FileFind.h"
#include "support/test_support.h"

namespace {
std::set<std::string> FindAll(const std::string& pattern, std::set<std::string>* paths = nullptr) {
  std::set<std::string> names;
  CFileFind finder;
  BOOL more = finder.FindFile(pattern);
  while (more) {
    more = finder.FindNextFile();
    if (finder.IsDots()) continue;
    names.insert(finder.GetFileName() + (finder.IsDirectory() ? "/" : ""));
    if (paths != nullptr) paths->insert(finder.GetFilePath());
  }
  return names;
}
}  // namespace

TEST(FileFind, WildcardsAreCaseInsensitive) {
  testsupport::TempDir dir;
  for (const char* name : {"A.JPG", "b.jpg", "c.Jpeg", "d.jpg.txt", "noext", "x1.trl", "x22.trl"})
    std::ofstream(dir.path() / name) << "data";
  std::filesystem::create_directory(dir.path() / "sub.jpg");
  const std::string root = dir.path().string() + "/";
  EXPECT_EQ(FindAll(root + "*.jpg"), (std::set<std::string>{"A.JPG", "b.jpg", "sub.jpg/"}));
  EXPECT_EQ(FindAll(root + "*.JPEG"), (std::set<std::string>{"c.Jpeg"}));
  EXPECT_EQ(FindAll(root + "x?.trl"), (std::set<std::string>{"x1.trl"}));
  EXPECT_EQ(FindAll(root + "*.*").size(), 8u);  // every name, with or without a dot
  EXPECT_EQ(FindAll(root + "*").size(), 8u);
  EXPECT_TRUE(FindAll(root + "*.gpx").empty());
  std::set<std::string> paths;
  FindAll(root + "a.jpg", &paths);
  EXPECT_EQ(paths, (std::set<std::string>{root + "A.JPG"}));
}

TEST(FileFind, MembersAndEndOfSearch) {
  testsupport::TempDir dir;
  std::ofstream(dir.path() / "one.txt") << "12345";
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile((dir.path() / "*.txt").string()));
  EXPECT_EQ(finder.GetFileName(), "");  // nothing until the first FindNextFile
  EXPECT_FALSE(finder.FindNextFile());  // the one entry is also the last
  EXPECT_EQ(finder.GetFileName(), "one.txt");
  EXPECT_EQ(finder.GetFileTitle(), "one");
  EXPECT_EQ(finder.GetLength(), 5u);
  EXPECT_FALSE(finder.IsDirectory());
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_FALSE(finder.FindFile((dir.path() / "missing/*.txt").string()));
  EXPECT_TRUE(finder.FindFile((dir.path() / "*").string()));
  int dots = 0;
  for (BOOL more = TRUE; more;) {
    more = finder.FindNextFile();
    dots += finder.IsDots() ? 1 : 0;
  }
  EXPECT_EQ(dots, 2);
}

TEST(FileFind, PatternMatching) {
  EXPECT_TRUE(CFileFind::MatchPattern("*a*b*c", "xxAyyBzzC"));
  EXPECT_FALSE(CFileFind::MatchPattern("*a*b*c", "xxAyyBzzCd"));
  EXPECT_TRUE(CFileFind::MatchPattern("????", "abcd"));
  EXPECT_FALSE(CFileFind::MatchPattern("????", "abc"));
  EXPECT_TRUE(CFileFind::MatchPattern("*_R-710_*.trl", "ABC_R-710_Start_1.TRL"));
}
