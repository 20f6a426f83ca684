// The program's artwork, drawn at start: model banners (129, 141), the small
// logo (132, and 135 for the template), the connection pictures (130, 131)
// and the program icon (128).
#pragma once

#include "res/ArtworkCanvas.h"

// The image of a bitmap or icon id; empty for an id without artwork.
ArtworkImage DrawAppArtwork(int id);

// Registers every picture of DrawAppArtwork with the framework's bitmap
// registry; safe to call more than once.
void RegisterAppArtwork();
