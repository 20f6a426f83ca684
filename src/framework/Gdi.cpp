// Drawing objects: system colours, fonts, bitmaps by id, the recording CDC.
#include "framework/Gdi.h"

#include "framework/BitmapRegistry.h"
#include "framework/Dialog.h"
#include "framework/ViewHooks.h"
#include "framework/WindowState.h"

namespace {
constexpr UINT kBitmapImageFlag = 0x40000000u;  // an image-list entry made of a bitmap
}

COLORREF GetSysColor(int index) {
  switch (index) {
    case COLOR_WINDOW:
      return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
      return RGB(0, 0, 0);
    case COLOR_BTNFACE:
      return RGB(240, 240, 240);
    case COLOR_BTNSHADOW:
      return RGB(160, 160, 160);
    case COLOR_GRAYTEXT:
      return RGB(109, 109, 109);
    case COLOR_BTNHIGHLIGHT:
      return RGB(255, 255, 255);
    default:
      return RGB(0, 0, 0);
  }
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return 1920;
    case SM_CYSCREEN:
      return 1080;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    default:
      return 0;
  }
}

BOOL CFont::CreatePointFont(int nPointSize, TextArg faceName, CDC*) {
  m_faceName = faceName.str();
  m_pointSize = (nPointSize + 5) / 10;
  return TRUE;
}

int MeasureTextWidth(const CFont& font, std::string_view text) {
  if (ViewBackend* view = GetViewBackend()) {
    int w = view->TextWidth(font.FaceName(), font.PointSize(), font.Bold(), text);
    if (w >= 0) return w;
  }
  return FixedTextWidth(font.PointSize(), text);
}

BOOL CBitmap::LoadBitmap(UINT id) {
  ImageResource res;
  if (!FindImageResource(ImageKind::Bitmap, id, res)) return FALSE;
  m_hBitmap = FromResourceId(id);
  return TRUE;
}

int CBitmap::GetBitmap(BITMAP* bm) const {
  if (!bm || !m_hBitmap) return 0;
  ImageResource res;
  if (!FindImageResource(ImageKind::Bitmap, ResourceId(m_hBitmap), res)) return 0;
  *bm = BITMAP{};
  bm->bmWidth = res.width;
  bm->bmHeight = res.height;
  bm->bmWidthBytes = ((res.width * 3 + 3) / 4) * 4;
  return static_cast<int>(sizeof(BITMAP));
}

BOOL CBitmap::DeleteObject() {
  m_hBitmap = nullptr;
  return TRUE;
}

HICON AfxLoadIconResource(UINT id) {
  ImageResource res;
  if (id == 0 || !FindImageResource(ImageKind::Icon, id, res)) return nullptr;
  return reinterpret_cast<HICON>(std::uintptr_t{id});
}

BOOL DestroyIcon(HICON) { return TRUE; }

// ---- CDC ----

COLORREF CDC::SetTextColor(COLORREF c) {
  COLORREF old = m_textColor;
  m_textColor = c;
  m_textColorSet = true;
  return old;
}

COLORREF CDC::SetBkColor(COLORREF c) {
  COLORREF old = m_bkColor;
  m_bkColor = c;
  m_bkColorSet = true;
  return old;
}

int CDC::SetBkMode(int mode) {
  int old = m_bkMode;
  m_bkMode = mode;
  return old;
}

CFont* CDC::SelectObject(CFont* font) {
  CFont* old = m_pSelectedFont;
  if (font) {
    m_font = *font;
    m_pSelectedFont = font;
  }
  return old;
}

int CDC::DrawText(TextArg text, LPRECT rect, UINT format) {
  if (!rect) return 0;
  m_ops.push_back(
      DcText{text.str(), *rect, format, m_textColor, m_font.FaceName(), m_font.PointSize()});
  return GetTextExtent(text).cy;
}

BOOL CDC::TextOut(int x, int y, TextArg text) {
  CSize s = GetTextExtent(text);
  RECT r{x, y, x + s.cx, y + s.cy};
  m_ops.push_back(DcText{text.str(), r, DT_LEFT | DT_NOPREFIX, m_textColor, m_font.FaceName(),
                         m_font.PointSize()});
  return TRUE;
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  if (rect) m_ops.push_back(DcFillRect{*rect, color});
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  RECT r{x, y, x + cx, y + cy};
  FillSolidRect(&r, color);
}

CSize CDC::GetTextExtent(TextArg text) const {
  int baseX = 0, baseY = 0;
  ViewBackend* view = GetViewBackend();
  if (!view || !view->FontBaseUnits(m_font.FaceName(), m_font.PointSize(), baseX, baseY))
    FixedFontBaseUnits(m_font.PointSize(), baseX, baseY);
  return CSize(MeasureTextWidth(m_font, text.view()), baseY);
}

BOOL CDC::DrawState(CPoint pt, CSize, HICON icon, UINT flags, HBRUSH) {
  if (!icon) return FALSE;
  UINT id = IconResourceId(icon);
  bool isBitmap = (id & kBitmapImageFlag) != 0;
  m_ops.push_back(DcImage{id & ~kBitmapImageFlag, !isBitmap, pt, (flags & DSS_DISABLED) != 0});
  return TRUE;
}

BOOL CDC::DrawState(CPoint pt, CSize, HBITMAP bitmap, UINT flags, HBRUSH) {
  if (!bitmap) return FALSE;
  m_ops.push_back(DcImage{CBitmap::ResourceId(bitmap), false, pt, (flags & DSS_DISABLED) != 0});
  return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
  return DrawState(CPoint(x, y), CSize(32, 32), icon, DSS_NORMAL);
}

CClientDC::CClientDC(CWnd* wnd) {
  if (!wnd) return;
  CFont* f = wnd->GetFont();
  if (f) m_font = *f;
}

// ---- CImageList ----

BOOL CImageList::Create(int cx, int cy, UINT, int, int) {
  m_cx = cx;
  m_cy = cy;
  m_images.clear();
  m_hImageList = reinterpret_cast<HBITMAP>(this);
  return TRUE;
}

int CImageList::Add(CBitmap* bitmap, CBitmap*) {
  if (!m_hImageList || !bitmap || !bitmap->GetSafeHandle()) return -1;
  m_images.push_back(Image{CBitmap::ResourceId(*bitmap), false});
  return static_cast<int>(m_images.size()) - 1;
}

int CImageList::Add(CBitmap* bitmap, COLORREF) {
  return Add(bitmap, static_cast<CBitmap*>(nullptr));
}

int CImageList::Add(HICON icon) {
  if (!m_hImageList || !icon) return -1;
  m_images.push_back(Image{IconResourceId(icon), true});
  return static_cast<int>(m_images.size()) - 1;
}

BOOL CImageList::Draw(CDC* dc, int image, POINT pt, UINT) {
  if (!dc || image < 0 || image >= GetImageCount()) return FALSE;
  const Image& im = m_images[static_cast<size_t>(image)];
  if (im.icon)
    return dc->DrawState(CPoint(pt), CSize(m_cx, m_cy),
                         reinterpret_cast<HICON>(std::uintptr_t{im.resourceId}), DSS_NORMAL);
  return dc->DrawState(CPoint(pt), CSize(m_cx, m_cy), CBitmap::FromResourceId(im.resourceId),
                       DSS_NORMAL);
}

HICON CImageList::ExtractIcon(int image) {
  if (image < 0 || image >= GetImageCount()) return nullptr;
  const Image& im = m_images[static_cast<size_t>(image)];
  UINT id = im.icon ? im.resourceId : (im.resourceId | kBitmapImageFlag);
  return reinterpret_cast<HICON>(std::uintptr_t{id});
}

BOOL CImageList::GetImageInfo(int image, IMAGEINFO* info) const {
  if (image < 0 || image >= GetImageCount()) return FALSE;
  if (info) {
    *info = IMAGEINFO{};
    const Image& im = m_images[static_cast<size_t>(image)];
    if (!im.icon) info->hbmImage = CBitmap::FromResourceId(im.resourceId);
    info->rcImage = RECT{0, 0, m_cx, m_cy};
  }
  return TRUE;
}

BOOL CImageList::DeleteImageList() {
  m_images.clear();
  m_hImageList = nullptr;
  return TRUE;
}
