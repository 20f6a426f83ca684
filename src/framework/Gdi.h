// Drawing objects of the dialog code: fonts, bitmaps and icons by resource
// id, system colours and metrics, and a device context that records what an
// owner-drawn control paints, for the view to replay.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "framework/Geometry.h"
#include "framework/WinDefs.h"

class CWnd;
class CBrush;

// A resource id where a resource name is asked for.
#ifndef MAKEINTRESOURCE
#define MAKEINTRESOURCE(i) static_cast<UINT>(i)
#endif

// System colours (GetSysColor) and metrics (GetSystemMetrics).
enum : int {
  COLOR_WINDOW = 5,
  COLOR_WINDOWTEXT = 8,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_BTNHIGHLIGHT = 20,
};
COLORREF GetSysColor(int index);

enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CXICON = 11,
  SM_CYICON = 12,
};
int GetSystemMetrics(int index);

// A font by face name and size. A control's font decides its text widths
// (CHListBox measures its items in it).
class CFont {
 public:
  CFont() = default;
  CFont(std::string faceName, int pointSize, bool bold = false)
      : m_faceName(std::move(faceName)), m_pointSize(pointSize), m_bold(bold) {}
  // nPointSize in tenths of a point, as the usual call gives it.
  BOOL CreatePointFont(int nPointSize, TextArg faceName, CDC* pDC = nullptr);
  const std::string& FaceName() const { return m_faceName; }
  int PointSize() const { return m_pointSize; }
  bool Bold() const { return m_bold; }
  BOOL DeleteObject() { return TRUE; }

 private:
  std::string m_faceName = "MS Sans Serif";
  int m_pointSize = 8;
  bool m_bold = false;
};

// Width of text in pixels in the given font: the view's font metrics when a
// view is installed, else a fixed measure (see TextMeasure in ViewHooks.h).
int MeasureTextWidth(const CFont& font, std::string_view text);

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 24;
  void* bmBits = nullptr;
};

// A bitmap resource by id (see BitmapRegistry.h for the artwork).
class CBitmap {
 public:
  CBitmap() = default;
  // TRUE when bitmap `id` is registered.
  BOOL LoadBitmap(UINT id);
  int GetBitmap(BITMAP* bm) const;
  BOOL DeleteObject();
  operator HBITMAP() const { return m_hBitmap; }
  HBITMAP GetSafeHandle() const { return m_hBitmap; }
  static HBITMAP FromResourceId(UINT id) { return reinterpret_cast<HBITMAP>(std::uintptr_t{id}); }
  static UINT ResourceId(HBITMAP h) {
    return static_cast<UINT>(reinterpret_cast<std::uintptr_t>(h));
  }

 private:
  HBITMAP m_hBitmap = nullptr;
};

// Icons by resource id.
HICON AfxLoadIconResource(UINT id);
inline UINT IconResourceId(HICON h) {
  return static_cast<UINT>(reinterpret_cast<std::uintptr_t>(h));
}

class CBrush {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF c) : m_color(c) {}
  operator HBRUSH() const { return reinterpret_cast<HBRUSH>(std::uintptr_t{m_color} + 1); }

 private:
  COLORREF m_color = 0;
};

// DrawText formats, DrawState flags and background modes.
enum : UINT {
  DT_LEFT = 0x0000,
  DT_CENTER = 0x0001,
  DT_RIGHT = 0x0002,
  DT_VCENTER = 0x0004,
  DT_BOTTOM = 0x0008,
  DT_WORDBREAK = 0x0010,
  DT_SINGLELINE = 0x0020,
  DT_NOPREFIX = 0x0800,
  DT_END_ELLIPSIS = 0x8000,
};
enum : UINT { DST_ICON = 0x0003, DST_BITMAP = 0x0004, DSS_NORMAL = 0x0000, DSS_DISABLED = 0x0020 };
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// One recorded drawing step of a CDC.
struct DcFillRect {
  RECT rect;
  COLORREF color;
};
struct DcText {
  std::string text;
  RECT rect;
  UINT format;
  COLORREF color;
  std::string fontFace;
  int fontPointSize;
};
struct DcImage {
  UINT resourceId;  // bitmap or icon resource
  bool icon;
  POINT pos;
  bool disabled;
};
using DcOp = std::variant<DcFillRect, DcText, DcImage>;

// A device context that records drawing for the view to replay in the
// control's own coordinates.
class CDC {
 public:
  CDC() = default;
  virtual ~CDC() = default;
  static CDC* FromHandle(HDC h) { return h; }
  HDC GetSafeHdc() { return this; }

  COLORREF SetTextColor(COLORREF c);
  COLORREF GetTextColor() const { return m_textColor; }
  COLORREF SetBkColor(COLORREF c);
  int SetBkMode(int mode);
  CFont* SelectObject(CFont* font);
  int DrawText(TextArg text, LPRECT rect, UINT format);
  int DrawText(LPCTSTR text, int count, LPRECT rect, UINT format) {
    return DrawText(count < 0 || !text
                        ? TextArg(text)
                        : TextArg(std::string_view(text, static_cast<size_t>(count))),
                    rect, format);
  }
  BOOL TextOut(int x, int y, TextArg text);
  void FillSolidRect(LPCRECT rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  CSize GetTextExtent(TextArg text) const;
  BOOL DrawState(CPoint pt, CSize size, HICON icon, UINT flags, HBRUSH brush = nullptr);
  BOOL DrawState(CPoint pt, CSize size, HBITMAP bitmap, UINT flags, HBRUSH brush = nullptr);
  BOOL DrawState(CPoint pt, CSize size, HICON icon, UINT flags, CBrush*) {
    return DrawState(pt, size, icon, flags, HBRUSH{});
  }
  BOOL DrawState(CPoint pt, CSize size, HBITMAP bitmap, UINT flags, CBrush*) {
    return DrawState(pt, size, bitmap, flags, HBRUSH{});
  }
  BOOL DrawIcon(int x, int y, HICON icon);
  BOOL DrawIcon(POINT pt, HICON icon) { return DrawIcon(pt.x, pt.y, icon); }
  int SaveDC() { return 1; }
  BOOL RestoreDC(int) { return TRUE; }

  const std::vector<DcOp>& Ops() const { return m_ops; }
  bool BkColorSet() const { return m_bkColorSet; }
  COLORREF BkColor() const { return m_bkColor; }
  bool TextColorSet() const { return m_textColorSet; }

 protected:
  std::vector<DcOp> m_ops;
  CFont m_font;
  CFont* m_pSelectedFont = nullptr;
  COLORREF m_textColor = 0;
  COLORREF m_bkColor = 0xFFFFFF;
  bool m_textColorSet = false;
  bool m_bkColorSet = false;
  int m_bkMode = OPAQUE;
};

// The paint and client contexts of OnPaint handlers record into nothing
// visible; the view draws the controls itself.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd*) {}
};
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
};

// Owner draw.
enum : UINT {
  ODT_MENU = 1,
  ODT_LISTBOX = 2,
  ODT_COMBOBOX = 3,
  ODT_BUTTON = 4,
  ODT_STATIC = 5,
  ODT_TAB = 101
};
enum : UINT { ODA_DRAWENTIRE = 1, ODA_SELECT = 2, ODA_FOCUS = 4 };
enum : UINT {
  ODS_SELECTED = 0x0001,
  ODS_GRAYED = 0x0002,
  ODS_DISABLED = 0x0004,
  ODS_FOCUS = 0x0010
};

struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = ODA_DRAWENTIRE;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem;
  ULONG_PTR itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

// An image list of bitmaps and icons by resource id, for tab images.
enum : UINT {
  ILC_COLOR = 0,
  ILC_MASK = 1,
  ILC_COLOR24 = 0x18,
  ILD_NORMAL = 0,
  ILD_TRANSPARENT = 1
};
struct IMAGEINFO {
  HBITMAP hbmImage = nullptr;
  HBITMAP hbmMask = nullptr;
  int Unused1 = 0;
  int Unused2 = 0;
  RECT rcImage;
};

class CImageList {
 public:
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  int Add(CBitmap* bitmap, CBitmap* mask);
  int Add(CBitmap* bitmap, COLORREF maskColor);
  int Add(HICON icon);
  int GetImageCount() const { return static_cast<int>(m_images.size()); }
  BOOL Draw(CDC* dc, int image, POINT pt, UINT style);
  HICON ExtractIcon(int image);
  BOOL GetImageInfo(int image, IMAGEINFO* info) const;
  CSize ImageSize() const { return CSize(m_cx, m_cy); }
  BOOL DeleteImageList();
  HBITMAP m_hImageList = nullptr;  // non-null once created

 private:
  struct Image {
    UINT resourceId;
    bool icon;
  };
  std::vector<Image> m_images;
  int m_cx = 16;
  int m_cy = 16;
};
BOOL DestroyIcon(HICON icon);
