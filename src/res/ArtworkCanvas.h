// A small anti-aliased raster canvas for the program's own artwork: flat
// fills, gradients and a few shapes, composited in RGBA.
#pragma once

#include <functional>
#include <vector>

#include "platform/WinTypes.h"

struct Rgba {
  BYTE r = 0, g = 0, b = 0, a = 255;
};

struct ArtworkImage {
  int width = 0;
  int height = 0;
  std::vector<BYTE> rgba;  // rows top to bottom, 4 bytes per pixel
  bool empty() const { return rgba.empty(); }
  Rgba At(int x, int y) const;
};

class ArtworkCanvas {
 public:
  ArtworkCanvas(int width, int height, Rgba background);

  // Left-to-right (horizontal) or top-to-bottom gradient over the whole canvas.
  void Gradient(Rgba from, Rgba to, bool horizontal);

  // Shapes in pixel coordinates (pixel centres at +0.5); alpha scales the colour's own.
  void Circle(double cx, double cy, double r, Rgba c);
  void Ring(double cx, double cy, double r, double width, Rgba c);
  void Line(double x0, double y0, double x1, double y1, double width, Rgba c);
  void RoundRect(double x0, double y0, double x1, double y1, double radius, Rgba c);
  void Polygon(const std::vector<std::pair<double, double>>& points, Rgba c);

  ArtworkImage Take() { return std::move(image_); }

 private:
  // Blends c over every pixel by the share of its 4x4 samples inside the shape.
  void Cover(double x0, double y0, double x1, double y1,
             const std::function<bool(double, double)>& inside, Rgba c);
  void Blend(int x, int y, Rgba c, double coverage);

  ArtworkImage image_;
};
