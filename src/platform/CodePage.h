// Code pages of 8-bit text and their conversion to and from UTF-16, in the
// manner of the Windows calls of the same names. Bytes or characters that do
// not convert are replaced (U+FFFD towards UTF-16, the default character
// towards 8-bit text) instead of being dropped. Failures leave errno set.
#pragma once

#include <string>

#include "platform/WinTypes.h"

using LCID = DWORD;
using LCTYPE = DWORD;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_PRECOMPOSED = 0x00000001;
constexpr DWORD WC_SEPCHARS = 0x00000020;
constexpr DWORD WC_COMPOSITECHECK = 0x00000200;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
constexpr LCTYPE LOCALE_IDEFAULTCODEPAGE = 0x000B;

// The ANSI code page of the user's locale (LC_ALL, LC_CTYPE, LANG in that
// order): 65001 for UTF-8, 950 for Big5, 1252 otherwise.
UINT GetACP();

// Converts srcLen bytes (-1: up to and including the terminating NUL) of
// code page cp into UTF-16. With dstLen 0 returns the length needed;
// otherwise the units written, or 0 when dst is too small (errno ENOBUFS)
// or the code page is unknown (errno EINVAL).
int MultiByteToWideChar(UINT cp, DWORD flags, const char* src, int srcLen, char16_t* dst,
                        int dstLen);

// Converts srcLen UTF-16 units (-1: up to and including the terminating 0)
// into code page cp. Characters cp cannot show become defaultChar (or '?')
// and set *usedDefault. Length rules as MultiByteToWideChar.
int WideCharToMultiByte(UINT cp, DWORD flags, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefault);

// Locale information: LOCALE_IDEFAULTANSICODEPAGE gives the ANSI code page
// as decimal text. Returns the characters written including the NUL, or 0.
int GetLocaleInfoA(LCID locale, LCTYPE type, char* buffer, int size);

// Convenience forms over whole strings.
std::u16string ToUtf16(const std::string& text, UINT cp);
std::string FromUtf16(const std::u16string& text, UINT cp, const char* defaultChar = nullptr);
