#include "res/AppArtwork.h"

#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

#include "framework/BitmapRegistry.h"
#include "res/PngEncode.h"
#include "res/app_ids.h"

namespace {

constexpr Rgba kWhite{255, 255, 255, 255};

Rgba Alpha(Rgba c, BYTE a) {
  c.a = a;
  return c;
}

// A handheld logger seen from the front: body, screen, one button.
void Logger(ArtworkCanvas& c, double x, double y, double w, double h, Rgba body) {
  c.RoundRect(x + 2, y + 3, x + w + 2, y + h + 3, w * 0.22, Rgba{0, 0, 0, 70});
  c.RoundRect(x, y, x + w, y + h, w * 0.22, body);
  c.RoundRect(x + w * 0.16, y + h * 0.12, x + w * 0.84, y + h * 0.5, 3, Rgba{170, 220, 235, 255});
  c.Line(x + w * 0.25, y + h * 0.3, x + w * 0.75, y + h * 0.3, 1.5, Rgba{40, 110, 140, 200});
  c.Circle(x + w * 0.5, y + h * 0.72, w * 0.14, Rgba{235, 120, 40, 255});
}

// A map pin whose point is at (x, y).
void Pin(ArtworkCanvas& c, double x, double y, double r, Rgba colour) {
  c.Polygon({{x - r * 0.8, y - r * 1.6}, {x + r * 0.8, y - r * 1.6}, {x, y}}, colour);
  c.Circle(x, y - r * 2, r, colour);
  c.Circle(x, y - r * 2, r * 0.42, kWhite);
}

// A recorded track: a polyline with a dot on every fix.
void Track(ArtworkCanvas& c, const std::vector<std::pair<double, double>>& pts) {
  for (size_t i = 1; i < pts.size(); ++i)
    c.Line(pts[i - 1].first, pts[i - 1].second, pts[i].first, pts[i].second, 3, Alpha(kWhite, 200));
  for (auto [x, y] : pts) c.Circle(x, y, 3.2, kWhite);
}

ArtworkImage Banner(Rgba from, Rgba to, Rgba accent, bool dualTrack) {
  constexpr int kW = 570, kH = 90;
  ArtworkCanvas c(kW, kH, from);
  c.Gradient(from, to, true);
  for (int x = 20; x < kW; x += 30) c.Line(x, 0, x, kH, 1, Rgba{255, 255, 255, 22});
  for (int y = 15; y < kH; y += 30) c.Line(0, y, kW, y, 1, Rgba{255, 255, 255, 22});
  c.Ring(455, 120, 110, 1.5, Rgba{255, 255, 255, 40});
  c.Ring(455, 120, 80, 1.5, Rgba{255, 255, 255, 40});
  Logger(c, 28, 14, 40, 64, Rgba{52, 58, 66, 255});
  std::vector<std::pair<double, double>> pts;
  for (int i = 0; i <= 14; ++i) {
    const double x = 110 + i * 27.0;
    pts.push_back({x, 50 + 20 * std::sin(i * 0.62) - i * 0.8});
  }
  Track(c, pts);
  if (dualTrack) {
    std::vector<std::pair<double, double>> second;
    for (int i = 0; i <= 10; ++i) second.push_back({140 + i * 30.0, 72 - 10 * std::cos(i * 0.8)});
    for (size_t i = 1; i < second.size(); ++i)
      c.Line(second[i - 1].first, second[i - 1].second, second[i].first, second[i].second, 2,
             Rgba{255, 255, 255, 110});
  }
  Pin(c, pts.back().first, pts.back().second, 9, accent);
  return c.Take();
}

ArtworkImage Logo() {
  ArtworkCanvas c(183, 39, Rgba{240, 240, 240, 255});
  c.RoundRect(1, 1, 182, 38, 8, Rgba{16, 62, 112, 255});
  c.RoundRect(3, 3, 180, 20, 6, Rgba{255, 255, 255, 28});
  // A "V" chevron, then a short track ending in a fix.
  c.Line(14, 10, 24, 30, 5, kWhite);
  c.Line(24, 30, 34, 10, 5, kWhite);
  c.Line(48, 26, 80, 14, 3, Rgba{255, 255, 255, 180});
  c.Line(80, 14, 112, 24, 3, Rgba{255, 255, 255, 180});
  c.Line(112, 24, 144, 12, 3, Rgba{255, 255, 255, 180});
  for (double x : {48.0, 80.0, 112.0}) c.Circle(x, x == 80 ? 14 : (x == 48 ? 26 : 24), 3.5, kWhite);
  c.Circle(144, 12, 5.5, Rgba{240, 130, 40, 255});
  c.Ring(144, 12, 9, 1.5, Rgba{240, 130, 40, 200});
  return c.Take();
}

ArtworkImage Connection(bool connected) {
  ArtworkCanvas c(80, 80, Rgba{240, 240, 240, 255});
  const Rgba disc = connected ? Rgba{46, 157, 74, 255} : Rgba{150, 150, 150, 255};
  c.Circle(41, 42, 34, Rgba{0, 0, 0, 50});
  c.Circle(40, 40, 34, disc);
  c.Ring(40, 40, 34, 3, Rgba{255, 255, 255, 90});
  if (connected) {
    // Plug and socket joined.
    c.Line(18, 40, 62, 40, 5, kWhite);
    c.RoundRect(28, 29, 40, 51, 3, kWhite);
    c.RoundRect(40, 31, 50, 49, 3, Rgba{220, 245, 225, 255});
  } else {
    // Plug and socket apart, a red cross between them.
    c.Line(14, 40, 30, 40, 5, kWhite);
    c.RoundRect(24, 31, 32, 49, 3, kWhite);
    c.Line(50, 40, 66, 40, 5, kWhite);
    c.RoundRect(48, 31, 56, 49, 3, kWhite);
    c.Line(36, 31, 44, 49, 3.5, Rgba{210, 50, 40, 255});
    c.Line(44, 31, 36, 49, 3.5, Rgba{210, 50, 40, 255});
  }
  return c.Take();
}

ArtworkImage Icon() {
  ArtworkCanvas c(32, 32, Rgba{0, 0, 0, 0});
  c.RoundRect(1, 1, 31, 31, 6, Rgba{16, 62, 112, 255});
  c.Line(5, 24, 12, 18, 2, Rgba{255, 255, 255, 200});
  c.Line(12, 18, 18, 21, 2, Rgba{255, 255, 255, 200});
  c.Circle(5, 24, 2, kWhite);
  c.Circle(12, 18, 2, kWhite);
  Pin(c, 22, 27, 5, Rgba{240, 130, 40, 255});
  return c.Take();
}

}  // namespace

ArtworkImage DrawAppArtwork(int id) {
  switch (id) {
    case IDB_MODEL_BANNER:
      return Banner(Rgba{11, 61, 110, 255}, Rgba{26, 138, 154, 255}, Rgba{240, 130, 40, 255},
                    false);
    case IDB_MODEL_BANNER_TX3X0:
      return Banner(Rgba{15, 90, 58, 255}, Rgba{42, 154, 106, 255}, Rgba{250, 200, 50, 255}, true);
    case IDB_LOGO:
    case IDB_LOGO_TEMPLATE:
      return Logo();
    case IDB_CONNECTED:
      return Connection(true);
    case IDB_NOT_CONNECTED:
      return Connection(false);
    case IDR_MAINFRAME:
      return Icon();
    default:
      return {};
  }
}

void RegisterAppArtwork() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int id : {IDB_MODEL_BANNER, IDB_CONNECTED, IDB_NOT_CONNECTED, IDB_LOGO, IDB_LOGO_TEMPLATE,
                   IDB_MODEL_BANNER_TX3X0}) {
      const ArtworkImage image = DrawAppArtwork(id);
      RegisterImagePng(ImageKind::Bitmap, static_cast<UINT>(id), image.width, image.height,
                       EncodePng(image, false));
    }
    const ArtworkImage icon = DrawAppArtwork(IDR_MAINFRAME);
    RegisterImagePng(ImageKind::Icon, IDR_MAINFRAME, icon.width, icon.height,
                     EncodePng(icon, true));
  });
}
