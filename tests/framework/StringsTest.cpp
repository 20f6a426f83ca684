// The string table: language from the locale, fallback, unique ids.
#include <gtest/gtest.h>

#include <map>

#include "framework/Resources.h"
#include "framework/Strings.h"

TEST(Strings, LocaleVariablesChooseTheLanguageInTheirOrder) {
  auto lang = LanguageFromLocaleVariables;
  EXPECT_EQ(lang(nullptr, nullptr, nullptr), ResLanguage::English);
  EXPECT_EQ(lang(nullptr, nullptr, "zh_TW.UTF-8"), ResLanguage::TraditionalChinese);
  EXPECT_EQ(lang(nullptr, nullptr, "zh_HK.UTF-8"), ResLanguage::TraditionalChinese);
  EXPECT_EQ(lang(nullptr, "zh_Hant_TW", nullptr), ResLanguage::TraditionalChinese);
  EXPECT_EQ(lang(nullptr, nullptr, "zh_CN.UTF-8"), ResLanguage::English);  // Simplified is not ours
  EXPECT_EQ(lang(nullptr, nullptr, "de_DE.UTF-8"), ResLanguage::English);
  // LC_ALL wins over LC_MESSAGES, which wins over LANG; empty means unset.
  EXPECT_EQ(lang("en_US.UTF-8", "zh_TW.UTF-8", "zh_TW.UTF-8"), ResLanguage::English);
  EXPECT_EQ(lang("", "zh_TW.UTF-8", "en_US.UTF-8"), ResLanguage::TraditionalChinese);
  EXPECT_EQ(lang("", "", "zh_TW"), ResLanguage::TraditionalChinese);
}

TEST(Strings, LoadsInTheChosenLanguageAndFallsBackToEnglish) {
  SetResLanguage(ResLanguage::English);
  EXPECT_EQ(LoadResString(300), "VANTO Navrel");
  EXPECT_EQ(LoadResString(112), "Software\\Vanto\\R710");
  std::string text = "old";
  EXPECT_FALSE(AfxLoadString(999999, text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(LoadResString(999999), "");

  SetResLanguage(ResLanguage::TraditionalChinese);
  // Every string has a text in Chinese: its own, or the English one.
  for (const StringTableArea& area : StringTableAreas())
    for (const StringEntry& e : area.entries) {
      std::string expected = (e.zh && *e.zh) ? e.zh : e.en;
      EXPECT_EQ(LoadResString(e.id), expected) << "string " << e.id;
    }
  SetResLanguage(ResLanguage::English);
}

TEST(Strings, NoIdIsDefinedTwice) {
  std::map<UINT, std::string> seen;
  for (const StringTableArea& area : StringTableAreas())
    for (const StringEntry& e : area.entries) {
      auto [it, fresh] = seen.emplace(e.id, area.area);
      EXPECT_TRUE(fresh) << "string " << e.id << " in " << area.area << " and " << it->second;
      EXPECT_TRUE(e.en != nullptr) << "string " << e.id << " has no English text";
    }
  EXPECT_GE(seen.size(), 2u);
}

TEST(Strings, NoDialogTemplateIsDefinedTwice) {
  std::map<int, std::string> seen;
  for (const TemplateArea& area : TemplateAreas())
    for (const DialogTemplate& t : area.templates) {
      auto [it, fresh] = seen.emplace(t.id, area.area);
      EXPECT_TRUE(fresh) << "dialog " << t.id << " in " << area.area << " and " << it->second;
      // Within one dialog, a control id other than the static one is used once.
      std::map<int, int> ids;
      for (const ControlTemplate& c : t.controls)
        if (c.id != -1) {
          EXPECT_EQ(++ids[c.id], 1) << "control " << c.id << " twice in dialog " << t.id;
        }
    }
}

TEST(Strings, FormatStringFormatsAnyLength) {
  EXPECT_EQ(FormatString("%d%%", 42), "42%");
  EXPECT_EQ(FormatString("%s", std::string(5000, 'x').c_str()).size(), 5000u);
  EXPECT_EQ(FormatString("COM%d", 12), "COM12");
}
