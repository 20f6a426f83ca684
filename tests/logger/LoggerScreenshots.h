// Pictures of the logger pages and dialogs for review (build folder,
// screenshots/), in English and in Traditional Chinese.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "firmware/FlashLibrary.h"  // GetProgramFolder
#include "framework/Strings.h"
#include "framework/qt/QtView.h"

// Runs show(language suffix) once per language; it creates the window in that
// language and returns it, and the window is saved as <name>_<suffix>.png.
inline void SaveInBothLanguages(const std::string& name,
                                const std::function<CWnd&(const char* suffix)>& show) {
  const auto folder = std::filesystem::path(GetProgramFolder()) / "screenshots";
  std::filesystem::create_directories(folder);
  for (auto [language, suffix] :
       {std::pair{ResLanguage::English, "en"}, std::pair{ResLanguage::TraditionalChinese, "zh"}}) {
    SetResLanguage(language);
    CWnd& wnd = show(suffix);
    const auto path = folder / (name + "_" + suffix + ".png");
    // Written beside its place and moved in, so parallel runs never meet.
    std::filesystem::path part = path;
    part += "." + std::to_string(getpid()) + ".part";
    EXPECT_TRUE(SaveDialogPng(wnd, part.string()));
    EXPECT_GT(std::filesystem::file_size(part), 1000u);
    std::filesystem::rename(part, path);
  }
  SetResLanguage(ResLanguage::English);
}
