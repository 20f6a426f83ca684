#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "ui/VersionBlock.h"
#include "ui/VersionInfo.h"
#include "ui/VersionResource.h"

namespace {

void Put(std::vector<BYTE>& b, size_t at, DWORD v, int bytes) {
  if (b.size() < at + bytes) b.resize(at + bytes);
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<BYTE>(v >> (8 * i));
}

// A minimal PE32 image with one ".rsrc" section holding the given version block.
std::vector<BYTE> MakePe(const std::vector<BYTE>& block, bool withResource = true) {
  std::vector<BYTE> pe(0x200, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  Put(pe, 0x3C, 0x40, 4);
  Put(pe, 0x40, 0x00004550, 4);
  const size_t coff = 0x44, opt = coff + 20;
  Put(pe, coff, 0x14C, 2);
  Put(pe, coff + 2, 1, 2);
  Put(pe, coff + 16, 224, 2);
  Put(pe, opt, 0x10B, 2);
  Put(pe, opt + 92, 16, 4);
  const DWORD rsrcRva = 0x1000;
  const size_t dataAt = 0x58;
  const DWORD rsrcSize = static_cast<DWORD>(dataAt + block.size());
  if (withResource) {
    Put(pe, opt + 96 + 16, rsrcRva, 4);
    Put(pe, opt + 96 + 20, rsrcSize, 4);
  }
  const size_t sec = opt + 224;
  std::memcpy(&pe[sec], ".rsrc", 5);
  Put(pe, sec + 8, rsrcSize, 4);
  Put(pe, sec + 12, rsrcRva, 4);
  Put(pe, sec + 16, rsrcSize, 4);
  Put(pe, sec + 20, 0x200, 4);
  const size_t r = 0x200;
  Put(pe, r + 14, 1, 2);  // root: one id entry, type 16
  Put(pe, r + 16, 16, 4);
  Put(pe, r + 20, 0x80000000u | 0x18, 4);
  Put(pe, r + 0x18 + 14, 1, 2);  // names: id 1
  Put(pe, r + 0x18 + 16, 1, 4);
  Put(pe, r + 0x18 + 20, 0x80000000u | 0x30, 4);
  Put(pe, r + 0x30 + 14, 1, 2);  // languages: 0x0409 -> data entry
  Put(pe, r + 0x30 + 16, 0x0409, 4);
  Put(pe, r + 0x30 + 20, 0x48, 4);
  Put(pe, r + 0x48, rsrcRva + dataAt, 4);
  Put(pe, r + 0x4C, static_cast<DWORD>(block.size()), 4);
  pe.resize(r + dataAt);
  pe.insert(pe.end(), block.begin(), block.end());
  return pe;
}

VersionBlockContent::StringTable Table(WORD lang, WORD cp, const std::string& product) {
  return {lang, cp, {{"ProductName", product}, {"CompanyName", "Maker " + product}}};
}

class VersionInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* v = std::getenv(var);
      saved_.push_back(v ? std::optional<std::string>(v) : std::nullopt);
    }
    SetUserLocale("en_US.UTF-8");
  }
  void TearDown() override {
    const char* vars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (size_t i = 0; i < 3; ++i) {
      if (saved_[i])
        setenv(vars[i], saved_[i]->c_str(), 1);
      else
        unsetenv(vars[i]);
    }
  }
  static void SetUserLocale(const char* locale) {
    setenv("LC_ALL", locale, 1);
    unsetenv("LC_MESSAGES");
    unsetenv("LANG");
  }
  std::string Write(const std::string& name, const std::vector<BYTE>& bytes) {
    std::string path = (dir_.path() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::string WritePe(const VersionBlockContent& content) {
    return Write("image.exe", MakePe(BuildVersionBlock(content)));
  }

  testsupport::TempDir dir_;
  std::vector<std::optional<std::string>> saved_;
};

void ExpectReset(const CVersionInfo& v) {
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(v.GetFileVersion(n), 0);
    EXPECT_EQ(v.GetProductVersion(n), 0);
  }
  EXPECT_EQ(v.GetFileFlagsMask() | v.GetFileFlags() | v.GetFileOs() | v.GetFileType() |
                v.GetFileSubtype(),
            0u);
  for (const std::string& s : {v.GetCompanyName(), v.GetFileDescription(), v.GetFileVersionText(),
                               v.GetInternalName(), v.GetLegalCopyright(), v.GetOriginalFileName(),
                               v.GetProductName(), v.GetProductVersionText(), v.GetComments(),
                               v.GetLegalTrademarks(), v.GetPrivateBuild(), v.GetSpecialBuild()})
    EXPECT_EQ(s, "");
}

TEST_F(VersionInfoTest, OwnExecutableCarriesGeneratedBlock) {
  CVersionInfo v;
  ASSERT_TRUE(v.Create());
  EXPECT_EQ(v.GetProductName(), "VANTO Navrel");
  EXPECT_EQ(v.GetCompanyName(), "Vanto");
  char dotted[32];
  std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", v.GetProductVersion(3),
                v.GetProductVersion(2), v.GetProductVersion(1), v.GetProductVersion(0));
  EXPECT_EQ(v.GetProductVersionText(), dotted);
  EXPECT_EQ(v.GetFileVersionText(), dotted);
  EXPECT_NE(v.GetLegalCopyright(), "");

  SetUserLocale("zh_TW.UTF-8");
  ASSERT_TRUE(v.Create());
  EXPECT_EQ(v.GetProductName(), "VANTO Navrel");
  EXPECT_NE(v.GetFileDescription().find("記錄器"), std::string::npos);
}

TEST_F(VersionInfoTest, PeImageFixedInfoAndStrings) {
  VersionBlockContent content;
  WORD fv[4] = {2, 0, 3, 7}, pv[4] = {1, 1, 0, 46};
  std::copy(fv, fv + 4, content.fileVersion);
  std::copy(pv, pv + 4, content.productVersion);
  content.fileFlags = 0x2;
  content.fileType = 2;
  content.fileDateMS = 0x01D00000;
  content.translations = {{0x0409, 1252}};
  content.stringTables = {Table(0x0409, 1252, "Logger Tool")};
  content.stringTables[0].strings.push_back({"Comments", "ünïcode ✓"});
  CVersionInfo v;
  ASSERT_TRUE(v.CreateFromFile(WritePe(content).c_str()));
  EXPECT_EQ(v.GetFileVersion(3), 2);
  EXPECT_EQ(v.GetFileVersion(2), 0);
  EXPECT_EQ(v.GetFileVersion(1), 3);
  EXPECT_EQ(v.GetFileVersion(0), 7);
  EXPECT_EQ(v.GetProductVersion(3), 1);
  EXPECT_EQ(v.GetProductVersion(0), 46);
  EXPECT_EQ(v.GetProductVersion(4), 0);
  EXPECT_EQ(v.GetProductVersion(-1), 0);
  EXPECT_EQ(v.GetFileFlags(), 2u);
  EXPECT_EQ(v.GetFileType(), 2u);
  EXPECT_GT(v.GetFileDate().GetTime(), 0);
  EXPECT_EQ(v.GetProductName(), "Logger Tool");
  EXPECT_EQ(v.GetComments(), "ünïcode ✓");
  EXPECT_EQ(v.GetSpecialBuild(), "");  // absent keys stay empty
}

TEST_F(VersionInfoTest, TranslationPreferenceOrder) {
  struct Case {
    const char* locale;
    std::vector<std::pair<WORD, WORD>> table;
    const char* expected;
  } cases[] = {
      // German user, English only: matched by the low 8 bits (0x09).
      {"de_DE.UTF-8", {{0x0409, 1252}}, "04090x04E4"},
      {"de_DE.UTF-8", {{0x0409, 1252}, {0x0407, 1252}}, "04070x04E4"},
      {"de_AT", {{0x0411, 932}, {0x0407, 1252}}, "04070x04E4"},
      {"fr_FR", {{0x0411, 932}, {0x0000, 1200}, {0x0409, 1252}}, "00000x04B0"},
      {"fr_FR", {{0x0411, 932}, {0x0809, 1252}}, "08090x04E4"},
      {"en_US", {{0x0411, 932}}, "04110x03A4"},
  };
  for (const Case& c : cases) {
    SetUserLocale(c.locale);
    VersionBlockContent content;
    content.translations = c.table;
    for (auto [lang, cp] : c.table) {
      char tag[16];
      std::snprintf(tag, sizeof tag, "%04X0x%04X", lang, cp);
      content.stringTables.push_back(Table(lang, cp, tag));
    }
    CVersionInfo v;
    ASSERT_TRUE(v.CreateFromFile(WritePe(content).c_str()));
    EXPECT_EQ(v.GetProductName(), c.expected) << c.locale;
  }
}

TEST_F(VersionInfoTest, FilesWithoutResourceGiveFalseAndStayReset) {
  CVersionInfo v;
  VersionBlockContent content;
  content.translations = {{0x0409, 1252}};
  content.stringTables = {Table(0x0409, 1252, "X")};
  ASSERT_TRUE(v.CreateFromFile(WritePe(content).c_str()));
  EXPECT_FALSE(v.CreateFromFile(Write("plain.txt", {'h', 'e', 'l', 'l', 'o'}).c_str()));
  ExpectReset(v);
  EXPECT_FALSE(v.CreateFromFile(Write("nores.exe", MakePe({}, false)).c_str()));
  ExpectReset(v);
  EXPECT_FALSE(v.CreateFromFile((dir_.path() / "missing.exe").c_str()));
  EXPECT_FALSE(v.CreateFromFile(""));
  ExpectReset(v);
}

TEST_F(VersionInfoTest, DamagedImagesAreRejectedWithoutReadingOutside) {
  VersionBlockContent content;
  content.translations = {{0x0409, 1252}};
  content.stringTables = {Table(0x0409, 1252, "Damaged")};
  const std::vector<BYTE> good = MakePe(BuildVersionBlock(content));
  std::vector<BYTE> block;
  ASSERT_TRUE(FindPeVersionResource(good, block));
  // Every truncation is either rejected or yields a block that parses safely.
  for (size_t cut = 0; cut < good.size(); cut += 7) {
    std::vector<BYTE> image(good.begin(), good.begin() + cut);
    EXPECT_FALSE(FindPeVersionResource(image, block)) << cut;
  }
  // A data entry pointing far outside the file.
  std::vector<BYTE> bad = good;
  Put(bad, 0x200 + 0x4C, 0x7FFFFFFF, 4);
  EXPECT_FALSE(FindPeVersionResource(bad, block));
  // A block whose lengths lie: queries fail instead of overrunning.
  std::vector<BYTE> lying = BuildVersionBlock(content);
  std::vector<BYTE> value;
  Put(lying, 0, 0xFFFF, 2);
  EXPECT_FALSE(QueryVersionValue(lying, "\\", value));
  lying = BuildVersionBlock(content);
  lying.resize(lying.size() - 10);
  Put(lying, 0, static_cast<DWORD>(lying.size()), 2);
  EXPECT_FALSE(QueryVersionValue(lying, "\\VarFileInfo\\Translation", value));
  EXPECT_TRUE(QueryVersionValue(lying, "\\StringFileInfo\\040904E4\\CompanyName", value));
  EXPECT_TRUE(QueryVersionValue(lying, "\\", value));
  EXPECT_EQ(value.size(), VS_FIXEDFILEINFO_SIZE);
}

TEST_F(VersionInfoTest, FindTranslationPasses) {
  const BYTE table[] = {0x09, 0x04, 0xE4, 0x04, 0x04, 0x04, 0xB0, 0x04};
  DWORD out = 0;
  EXPECT_TRUE(CVersionInfo::FindTranslation(table, sizeof table, 0x0404, &out, FALSE));
  EXPECT_EQ(out, 0x04B00404u);
  EXPECT_FALSE(CVersionInfo::FindTranslation(table, sizeof table, 0x0C04, &out, FALSE));
  EXPECT_TRUE(CVersionInfo::FindTranslation(table, sizeof table, 0x0C04, &out, TRUE));
  EXPECT_EQ(out, 0x04B00404u);
  EXPECT_FALSE(CVersionInfo::FindTranslation(table, 3, 0x0409, &out, TRUE));
}

TEST_F(VersionInfoTest, UserLanguageFromLocale) {
  const std::pair<const char*, WORD> cases[] = {{"en_US.UTF-8", 0x0409},
                                                {"de_DE", 0x0407},
                                                {"zh_TW.UTF-8", 0x0404},
                                                {"de_CH.UTF-8@euro", 0x0807},
                                                {"ja_JP.UTF-8", 0x0411},
                                                {"C", 0x0409},
                                                {"", 0x0409}};
  for (auto [locale, id] : cases) {
    SetUserLocale(locale);
    EXPECT_EQ(GetUserDefaultLangID(), id) << locale;
  }
  unsetenv("LC_ALL");
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(GetUserDefaultLangID(), 0x0407);
}

}  // namespace
