// A small PNG writer for the program's own artwork: 8-bit RGB or RGBA,
// stored (uncompressed) deflate blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "res/ArtworkCanvas.h"

// The image as PNG bytes; withAlpha keeps the alpha channel (icons), else
// the pixels are written as 24-bit RGB (bitmaps).
std::vector<std::uint8_t> EncodePng(const ArtworkImage& image, bool withAlpha);
