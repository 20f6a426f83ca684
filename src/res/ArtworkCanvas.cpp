#include "res/ArtworkCanvas.h"

#include <algorithm>
#include <cmath>

Rgba ArtworkImage::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0, 0};
  const BYTE* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

ArtworkCanvas::ArtworkCanvas(int width, int height, Rgba background) {
  image_.width = width;
  image_.height = height;
  image_.rgba.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < image_.rgba.size(); i += 4) {
    image_.rgba[i] = background.r;
    image_.rgba[i + 1] = background.g;
    image_.rgba[i + 2] = background.b;
    image_.rgba[i + 3] = background.a;
  }
}

void ArtworkCanvas::Gradient(Rgba from, Rgba to, bool horizontal) {
  const int span = std::max(1, (horizontal ? image_.width : image_.height) - 1);
  for (int y = 0; y < image_.height; ++y)
    for (int x = 0; x < image_.width; ++x) {
      const double t = static_cast<double>(horizontal ? x : y) / span;
      auto mix = [t](BYTE a, BYTE b) { return static_cast<BYTE>(std::lround(a + (b - a) * t)); };
      BYTE* p = &image_.rgba[(static_cast<size_t>(y) * image_.width + x) * 4];
      p[0] = mix(from.r, to.r);
      p[1] = mix(from.g, to.g);
      p[2] = mix(from.b, to.b);
      p[3] = mix(from.a, to.a);
    }
}

void ArtworkCanvas::Blend(int x, int y, Rgba c, double coverage) {
  if (x < 0 || y < 0 || x >= image_.width || y >= image_.height || coverage <= 0) return;
  BYTE* p = &image_.rgba[(static_cast<size_t>(y) * image_.width + x) * 4];
  const double sa = coverage * c.a / 255.0;
  const double da = p[3] / 255.0;
  const double oa = sa + da * (1 - sa);
  if (oa <= 0) return;
  auto channel = [&](BYTE s, BYTE d) {
    return static_cast<BYTE>(std::lround((s * sa + d * da * (1 - sa)) / oa));
  };
  p[0] = channel(c.r, p[0]);
  p[1] = channel(c.g, p[1]);
  p[2] = channel(c.b, p[2]);
  p[3] = static_cast<BYTE>(std::lround(oa * 255));
}

void ArtworkCanvas::Cover(double x0, double y0, double x1, double y1,
                          const std::function<bool(double, double)>& inside, Rgba c) {
  const int xa = std::max(0, static_cast<int>(std::floor(x0)));
  const int ya = std::max(0, static_cast<int>(std::floor(y0)));
  const int xb = std::min(image_.width - 1, static_cast<int>(std::ceil(x1)));
  const int yb = std::min(image_.height - 1, static_cast<int>(std::ceil(y1)));
  for (int y = ya; y <= yb; ++y)
    for (int x = xa; x <= xb; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
      Blend(x, y, c, hits / 16.0);
    }
}

void ArtworkCanvas::Circle(double cx, double cy, double r, Rgba c) {
  Cover(
      cx - r, cy - r, cx + r, cy + r,
      [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, c);
}

void ArtworkCanvas::Ring(double cx, double cy, double r, double width, Rgba c) {
  const double inner = std::max(0.0, r - width);
  Cover(
      cx - r, cy - r, cx + r, cy + r,
      [=](double x, double y) {
        const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d <= r * r && d >= inner * inner;
      },
      c);
}

void ArtworkCanvas::Line(double x0, double y0, double x1, double y1, double width, Rgba c) {
  const double h = width / 2;
  const double dx = x1 - x0, dy = y1 - y0;
  const double len2 = dx * dx + dy * dy;
  Cover(
      std::min(x0, x1) - h, std::min(y0, y1) - h, std::max(x0, x1) + h, std::max(y0, y1) + h,
      [=](double x, double y) {
        double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double px = x0 + t * dx - x, py = y0 + t * dy - y;
        return px * px + py * py <= h * h;
      },
      c);
}

void ArtworkCanvas::RoundRect(double x0, double y0, double x1, double y1, double radius, Rgba c) {
  Cover(
      x0, y0, x1, y1,
      [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        const double qx = std::max({x0 + radius - x, x - (x1 - radius), 0.0});
        const double qy = std::max({y0 + radius - y, y - (y1 - radius), 0.0});
        return qx * qx + qy * qy <= radius * radius;
      },
      c);
}

void ArtworkCanvas::Polygon(const std::vector<std::pair<double, double>>& points, Rgba c) {
  if (points.size() < 3) return;
  double x0 = points[0].first, x1 = x0, y0 = points[0].second, y1 = y0;
  for (auto [x, y] : points) {
    x0 = std::min(x0, x);
    x1 = std::max(x1, x);
    y0 = std::min(y0, y);
    y1 = std::max(y1, y);
  }
  Cover(
      x0, y0, x1, y1,
      [&points](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
          auto [xi, yi] = points[i];
          auto [xj, yj] = points[j];
          if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
      },
      c);
}
