#include <gtest/gtest.h>

#include <cstdlib>

#include "formats/FormatsTestUtil.h"
#include "formats/UnicodeTextFile.h"
#include "support/test_support.h"

using formatstest::ReadAll;
using formatstest::WriteAll;

namespace {

// Runs a test under a chosen locale and puts the old one back.
class UnicodeTextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("LC_ALL")) saved = old, hadLocale = true;
    UseLocale("C.UTF-8");
  }
  void TearDown() override {
    if (hadLocale)
      ::setenv("LC_ALL", saved.c_str(), 1);
    else
      ::unsetenv("LC_ALL");
  }
  static void UseLocale(const char* name) { ::setenv("LC_ALL", name, 1); }
  std::string Path(const char* name) const { return (dir.path() / name).string(); }

  testsupport::TempDir dir;
  std::string saved;
  bool hadLocale = false;
};

constexpr UINT kWriteUnicode =
    CFile::modeCreate | CFile::modeWrite | CFile::typeText | CUnicodeTextFile::modeWriteUnicode;

std::string Utf16Le(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

}  // namespace

TEST_F(UnicodeTextFileTest, WritesMarkOnceAndUtf16Units) {
  {
    CUnicodeTextFile file;
    ASSERT_TRUE(file.Open(Path("u.kml"), kWriteUnicode));
    file.WriteString("ab\r\n");
    file.WriteString("");
    file.WriteString("\xe4\xb8\xad\n");  // U+4E2D, line feed kept as it is
    file.Close();
  }
  EXPECT_EQ(ReadAll(Path("u.kml")), std::string("\xFF\xFE"
                                                "a\0b\0\r\0\n\0\x2D\x4E\n\0",
                                                14));
  {
    CUnicodeTextFile file(Path("empty.kml"), kWriteUnicode);
    file.WriteString("");
  }
  EXPECT_EQ(ReadAll(Path("empty.kml")), "\xFF\xFE");
}

TEST_F(UnicodeTextFileTest, BytesThatDoNotConvertBecomeReplacementCharacters) {
  {
    CUnicodeTextFile file(Path("bad.kml"), kWriteUnicode);
    file.WriteString(
        "a\xff"
        "b");
  }
  EXPECT_EQ(ReadAll(Path("bad.kml")), Utf16Le(u"a\uFFFDb"));
}

TEST_F(UnicodeTextFileTest, ReadsUtf16FileAsLocaleText) {
  WriteAll(Path("in.txt"), Utf16Le(u"first\r\nsec\u4E2Dond\nlast"));
  EXPECT_TRUE(CUnicodeTextFile::IsFileUnicode(Path("in.txt")));
  EXPECT_FALSE(CUnicodeTextFile::IsFileUnicode(Path("missing.txt")));
  CUnicodeTextFile file;
  ASSERT_TRUE(file.Open(Path("in.txt"), CFile::modeRead | CFile::typeText));
  EXPECT_TRUE(file.m_bIsUnicodeText);
  std::string line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "first");
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "sec\xe4\xb8\xadond");
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(file.ReadString(line));
}

TEST_F(UnicodeTextFileTest, CharactersTheCodePageCannotShowReadAsHash) {
  UseLocale("C");  // code page 1252
  WriteAll(Path("in.txt"), Utf16Le(u"a\u4E2D\u00E9\r\n"));
  CUnicodeTextFile file(Path("in.txt"), CFile::modeRead | CFile::typeText);
  std::string line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "a#\xE9");
}

TEST_F(UnicodeTextFileTest, LongUtf16LineComesInPieces) {
  WriteAll(Path("long.txt"), Utf16Le(std::u16string(5000, u'x') + u"\r\nend"));
  CUnicodeTextFile file(Path("long.txt"), CFile::modeRead | CFile::typeText);
  std::string line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, std::string(4095, 'x'));
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, std::string(905, 'x'));
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "end");
}

TEST_F(UnicodeTextFileTest, EightBitLinesAndLastLineWithoutEnd) {
  WriteAll(Path("a.txt"), "one\r\ntwo\nthree");
  CUnicodeTextFile file(Path("a.txt"), CFile::modeRead | CFile::typeText);
  EXPECT_FALSE(file.m_bIsUnicodeText);
  std::string line;
  std::vector<std::string> lines;
  while (file.ReadString(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(UnicodeTextFileTest, EightBitTextInAChosenCodePage) {
  {
    CUnicodeTextFile file;
    file.SetCodePage(950);
    ASSERT_TRUE(
        file.Open(Path("big5.txt"), CFile::modeCreate | CFile::modeWrite | CFile::typeText));
    file.WriteString("\xe4\xb8\xad\xe6\x96\x87\n");  // "中文" in UTF-8; no CR is added
  }
  EXPECT_EQ(ReadAll(Path("big5.txt")), "\xA4\xA4\xA4\xE5\n");
  CUnicodeTextFile file;
  file.SetCodePage(950);
  ASSERT_TRUE(file.Open(Path("big5.txt"), CFile::modeRead | CFile::typeText));
  std::string line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "\xe4\xb8\xad\xe6\x96\x87");
}

TEST_F(UnicodeTextFileTest, CharCountDependsOnHowTheFileWasOpened) {
  WriteAll(Path("ten.txt"), Utf16Le(u"abcd"));
  CUnicodeTextFile reader(Path("ten.txt"), CFile::modeRead | CFile::typeText);
  EXPECT_EQ(reader.GetCharCount(), 4u);
  CUnicodeTextFile writer(Path("ten.txt"), CFile::modeWrite | CFile::typeText);
  EXPECT_EQ(writer.GetCharCount(), 10u);
  CUnicodeTextFile closed;
  EXPECT_EQ(closed.GetCharCount(), 0u);
}

TEST_F(UnicodeTextFileTest, ConversionHelpers) {
  char16_t wide[8];
  EXPECT_EQ(CUnicodeTextFile::GetUnicodeStringFromMultiByteString("\xe4\xb8\xad"
                                                                  "a",
                                                                  wide, 8, 65001),
            2);
  EXPECT_EQ(wide[0], u'\u4E2D');
  EXPECT_EQ(wide[2], 0);
  EXPECT_EQ(CUnicodeTextFile::GetUnicodeStringFromMultiByteString(nullptr, wide, 8, -1), 0);
  EXPECT_EQ(CUnicodeTextFile::GetUnicodeStringFromMultiByteString("toolong", wide, 4, -1), 0);
  EXPECT_EQ(CUnicodeTextFile::GetRequiredMultiByteLength(u"\u4E2Da", 950), 4);
  char bytes[8];
  EXPECT_EQ(CUnicodeTextFile::GetMultiByteStringFromUnicodeString(u"\u4E2Da", bytes, 8, 950), 3);
  EXPECT_STREQ(bytes,
               "\xA4\xA4"
               "a");
  EXPECT_EQ(CUnicodeTextFile::GetMultiByteStringFromUnicodeString(u"\u4E2D", bytes, 8, 1252), 1);
  EXPECT_STREQ(bytes, "#");
  EXPECT_EQ(CUnicodeTextFile::GetMultiByteStringFromUnicodeString(u"a", bytes, 0, 1252), 0);
  EXPECT_EQ(CUnicodeTextFile::GetCurrentLocaleCodePage(), 65001);
  UseLocale("zh_TW.Big5");
  EXPECT_EQ(CUnicodeTextFile::GetCurrentLocaleCodePage(), 950);
}

TEST_F(UnicodeTextFileTest, OpenAndWriteFailuresAreReported) {
  CUnicodeTextFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(Path("no/such/dir.kml"), kWriteUnicode, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, ENOENT);
  EXPECT_NE(error.GetErrorMessage().find("No such file"), std::string::npos);

  CUnicodeTextFile full;
  if (!full.Open("/dev/full", CFile::modeWrite | CUnicodeTextFile::modeWriteUnicode))
    GTEST_SKIP() << "no /dev/full";
  try {
    full.WriteString("abc");
    ADD_FAILURE() << "a write to a full disk succeeded";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
    EXPECT_EQ(e.m_lOsError, ENOSPC);
  }
}
