// Loading strings in the user's language.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/Resources.h"
#include "framework/Strings.h"

namespace {

// -1: not yet read from the environment.
std::atomic<int> g_language{-1};

bool IsSet(const char* v) { return v && *v; }

}  // namespace

ResLanguage LanguageFromLocaleVariables(const char* lcAll, const char* lcMessages,
                                        const char* lang) {
  // The first variable that is set decides, as the C library's lookup does.
  const char* locale = IsSet(lcAll)        ? lcAll
                       : IsSet(lcMessages) ? lcMessages
                       : IsSet(lang)       ? lang
                                           : "";
  for (const char* prefix : {"zh_TW", "zh_HK", "zh_Hant"})
    if (std::strncmp(locale, prefix, std::strlen(prefix)) == 0)
      return ResLanguage::TraditionalChinese;
  return ResLanguage::English;
}

ResLanguage LanguageFromEnvironment() {
  return LanguageFromLocaleVariables(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                     std::getenv("LANG"));
}

ResLanguage GetResLanguage() {
  int v = g_language.load();
  if (v < 0) {
    v = static_cast<int>(LanguageFromEnvironment());
    g_language = v;
  }
  return static_cast<ResLanguage>(v);
}

void SetResLanguage(ResLanguage language) { g_language = static_cast<int>(language); }

BOOL AfxLoadString(UINT id, std::string& text) {
  const StringEntry* e = FindStringEntry(id);
  if (!e) {
    text.clear();
    return FALSE;
  }
  if (GetResLanguage() == ResLanguage::TraditionalChinese && e->zh && *e->zh)
    text = e->zh;
  else
    text = e->en ? e->en : "";
  return TRUE;
}

std::string LoadResString(UINT id) {
  std::string text;
  AfxLoadString(id, text);
  return text;
}

std::string FormatString(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n));
    std::vsnprintf(out.data(), out.size() + 1, format, args);
  }
  va_end(args);
  return out;
}
