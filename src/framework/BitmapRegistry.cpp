#include "framework/BitmapRegistry.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_mutex;
std::map<std::pair<ImageKind, UINT>, ImageResource>& Images() {
  static auto* images = new std::map<std::pair<ImageKind, UINT>, ImageResource>();
  return *images;
}

void Store(ImageKind kind, UINT id, int width, int height, ImageResource res) {
  res.id = id;
  res.kind = kind;
  res.width = width;
  res.height = height;
  std::lock_guard lock(g_mutex);
  Images()[{kind, id}] = std::move(res);
}

}  // namespace

void RegisterImagePainter(ImageKind kind, UINT id, int width, int height, BitmapPainter painter) {
  ImageResource r;
  r.painter = std::move(painter);
  Store(kind, id, width, height, std::move(r));
}

void RegisterImageFile(ImageKind kind, UINT id, int width, int height, std::string pngPath) {
  ImageResource r;
  r.file = std::move(pngPath);
  Store(kind, id, width, height, std::move(r));
}

void RegisterImagePng(ImageKind kind, UINT id, int width, int height,
                      std::vector<std::uint8_t> png) {
  ImageResource r;
  r.png = std::move(png);
  Store(kind, id, width, height, std::move(r));
}

BOOL FindImageResource(ImageKind kind, UINT id, ImageResource& out) {
  std::lock_guard lock(g_mutex);
  auto it = Images().find({kind, id});
  if (it == Images().end()) return FALSE;
  out = it->second;
  return TRUE;
}
