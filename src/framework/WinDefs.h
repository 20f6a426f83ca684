// Handle, pointer-sized and colour types, dialog result codes and small
// helpers that the window code of the program is written in.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using LPVOID = void*;
using LPCSTR = const char*;
using LPCTSTR = const char*;
using LPSTR = char*;
using LPTSTR = char*;
using TCHAR = char;
using COLORREF = DWORD;

#ifndef _T
#define _T(x) x
#endif
#ifndef INFINITE
#define INFINITE 0xFFFFFFFFu
#endif
#ifndef MAX_PATH
#define MAX_PATH 260
#endif

// Window handles are opaque numbers: a handle of a destroyed window stays
// harmless (every call on it does nothing), so a worker holding one after
// the window went cannot crash the program.
struct HWND__;
using HWND = HWND__*;
// Bitmap and icon handles carry the resource id they were loaded from.
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
class CDC;
using HDC = CDC*;

// Dialog and message-box results.
enum : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDABORT = 3,
  IDRETRY = 4,
  IDIGNORE = 5,
  IDYES = 6,
  IDNO = 7,
  IDC_STATIC = -1,
};

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
  return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return MAKELONG(lo, hi); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }

// A text argument that accepts std::string, string literals and a null
// pointer (read as empty), as the program's calls pass all three.
#include <string>
#include <string_view>
class TextArg {
 public:
  TextArg() = default;
  TextArg(const char* s) : m_view(s ? std::string_view(s) : std::string_view()) {}
  TextArg(const std::string& s) : m_view(s) {}
  TextArg(std::string_view s) : m_view(s) {}
  TextArg(std::nullptr_t) {}
  std::string str() const { return std::string(m_view); }
  std::string_view view() const { return m_view; }
  operator std::string() const { return str(); }

 private:
  std::string_view m_view;
};

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
