#include "framework/BitmapRegistry.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_mutex;
std::map<std::pair<ImageKind, UINT>, ImageResource>& Images() {
  static auto* images = new std::map<std::pair<ImageKind, UINT>, ImageResource>();
  return *images;
}

void Store(ImageResource res) {
  std::lock_guard lock(g_mutex);
  Images()[{res.kind, res.id}] = std::move(res);
}

}  // namespace

void RegisterImagePainter(ImageKind kind, UINT id, int width, int height, BitmapPainter painter) {
  ImageResource r;
  r.id = id;
  r.kind = kind;
  r.width = width;
  r.height = height;
  r.painter = std::move(painter);
  Store(std::move(r));
}

void RegisterImageFile(ImageKind kind, UINT id, int width, int height, std::string pngPath) {
  ImageResource r;
  r.id = id;
  r.kind = kind;
  r.width = width;
  r.height = height;
  r.file = std::move(pngPath);
  Store(std::move(r));
}

void RegisterImagePng(ImageKind kind, UINT id, int width, int height,
                      std::vector<std::uint8_t> png) {
  ImageResource r;
  r.id = id;
  r.kind = kind;
  r.width = width;
  r.height = height;
  r.png = std::move(png);
  Store(std::move(r));
}

BOOL FindImageResource(ImageKind kind, UINT id, ImageResource& out) {
  std::lock_guard lock(g_mutex);
  auto it = Images().find({kind, id});
  if (it == Images().end()) return FALSE;
  out = it->second;
  return TRUE;
}
