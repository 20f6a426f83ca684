// Bitmap and icon artwork by resource id. Each area registers its artwork
// before its dialogs load it (e.g. a RegisterXxxArtwork() called once from
// the dialog's constructor): a PNG file, PNG bytes, or a picture drawn in
// code on a canvas that the view provides. CBitmap::LoadBitmap and
// CWinApp::LoadIcon fail for ids that nobody registered.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Geometry.h"
#include "framework/WinDefs.h"

enum class ImageKind { Bitmap, Icon };

// Drawing surface for artwork drawn in code (pixels, origin top left).
class BitmapCanvas {
 public:
  virtual ~BitmapCanvas() = default;
  virtual void FillRect(const RECT& rect, COLORREF color) = 0;
  virtual void FillEllipse(const RECT& rect, COLORREF color) = 0;
  virtual void DrawLine(POINT from, POINT to, COLORREF color, int width) = 0;
  // Text in a sans font of the given pixel height, aligned with DT_* flags.
  virtual void DrawText(const std::string& text, const RECT& rect, COLORREF color, int pixelHeight,
                        bool bold, UINT format) = 0;
};
using BitmapPainter = std::function<void(BitmapCanvas&)>;

struct ImageResource {
  UINT id = 0;
  ImageKind kind = ImageKind::Bitmap;
  int width = 0;
  int height = 0;
  std::string file;               // PNG file, or
  std::vector<std::uint8_t> png;  // PNG bytes, or
  BitmapPainter painter;          // drawn in code
};

void RegisterImagePainter(ImageKind kind, UINT id, int width, int height, BitmapPainter painter);
void RegisterImageFile(ImageKind kind, UINT id, int width, int height, std::string pngPath);
void RegisterImagePng(ImageKind kind, UINT id, int width, int height,
                      std::vector<std::uint8_t> png);
// A copy of the registered image, or FALSE when none.
BOOL FindImageResource(ImageKind kind, UINT id, ImageResource& out);
