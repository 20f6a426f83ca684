#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/CodePage.h"

namespace {
class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("LC_ALL")) saved = old, had = true;
  }
  void TearDown() override {
    if (had)
      ::setenv("LC_ALL", saved.c_str(), 1);
    else
      ::unsetenv("LC_ALL");
  }
  std::string saved;
  bool had = false;
};
}  // namespace

TEST_F(CodePageTest, AnsiCodePageFromTheLocale) {
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  EXPECT_EQ(GetACP(), 65001u);
  ::setenv("LC_ALL", "zh_TW.BIG5", 1);
  EXPECT_EQ(GetACP(), 950u);
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(GetACP(), 1252u);
  char buffer[10];
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buffer, 10), 5);
  EXPECT_STREQ(buffer, "1252");
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buffer, 3), 0);
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, 0x7777, buffer, 10), 0);
}

TEST_F(CodePageTest, MultiByteToWideLengthsAndTerminator) {
  char16_t wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xe4\xb8\xad", -1, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xe4\xb8\xad", -1, wide, 8), 3);
  EXPECT_EQ(wide[1], u'\u4E2D');
  EXPECT_EQ(wide[2], 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 2, wide, 8), 2);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcdef", -1, wide, 3), 0);
  EXPECT_EQ(errno, ENOBUFS);
  EXPECT_EQ(MultiByteToWideChar(12345, 0, "a", -1, wide, 8), 0);
  EXPECT_EQ(errno, EINVAL);
}

TEST_F(CodePageTest, BytesThatDoNotConvertAreReplaced) {
  EXPECT_EQ(ToUtf16("a\xff\xe4\xb8"
                    "b",
                    CP_UTF8),
            u"a\uFFFD\uFFFD\uFFFDb");
  EXPECT_EQ(ToUtf16("\xa4\xa4\xff"
                    "c",
                    950),
            u"\u4E2D\uFFFDc");
  EXPECT_EQ(ToUtf16("\x80\xe9", 1252), u"\u20AC\u00E9");
}

TEST_F(CodePageTest, WideToMultiByteWithDefaultCharacter) {
  BOOL used = FALSE;
  char out[16];
  EXPECT_EQ(WideCharToMultiByte(1252, WC_COMPOSITECHECK | WC_SEPCHARS, u"a\u4E2D\u00E9", -1, out,
                                16, "#", &used),
            4);
  EXPECT_STREQ(out, "a#\xE9");
  EXPECT_TRUE(used);
  EXPECT_EQ(FromUtf16(u"\u4E2D\u6587", 950), "\xA4\xA4\xA4\xE5");
  EXPECT_EQ(FromUtf16(u"x\U0001F600y", 1252, "#"), "x#y");  // a pair is one character
  EXPECT_EQ(FromUtf16(std::u16string(u"a") + char16_t(0xD800) + u"b", CP_UTF8, "?"), "a?b");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u4E2D", -1, nullptr, 0, nullptr, nullptr), 4);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u4E2D", -1, out, 2, nullptr, nullptr), 0);
}
