// The string table: texts by id in English and Traditional Chinese. The
// language follows the user's locale (LC_ALL, LC_MESSAGES, LANG: the first
// that is set; zh_TW, zh_HK and zh_Hant give Traditional Chinese, anything
// else English). A text missing in Chinese falls back to English.
#pragma once

#include <functional>
#include <string>

#include "framework/WinDefs.h"

enum class ResLanguage { English, TraditionalChinese };

// The text of string `id`, "" when the table has none.
std::string LoadResString(UINT id);
// TRUE and the text when the table has string `id`.
BOOL AfxLoadString(UINT id, std::string& text);

// printf-style formatting into a std::string (what CString::Format did).
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The language of the user's locale as read from the environment.
ResLanguage LanguageFromEnvironment();
// The language from the three variables (null when unset).
ResLanguage LanguageFromLocaleVariables(const char* lcAll, const char* lcMessages,
                                        const char* lang);
// The language in force (read from the environment at first use).
ResLanguage GetResLanguage();
// Overrides the language (tests; a settings page).
void SetResLanguage(ResLanguage language);
