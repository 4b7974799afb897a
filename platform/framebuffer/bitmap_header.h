// What every BMP loader checks before it decodes: the file's own claim of its
// size, and the image it is to fill.
#pragma once

#include <string>

#include "platform/screen.h"

enum BitmapResult {
  BITMAP_OK = 0,
  BITMAP_BAD_ARGUMENT = 1,
  BITMAP_BAD_HEADER = 2,
  BITMAP_UNDECODABLE = 3,
};

// Reads the sides from the header before any decoder does, so a file claiming
// a huge picture is refused instead of costing gigabytes: true when the file
// starts like a BMP and both sides are 1 to MAX_IMAGE_SIDE.
bool Bitmap_SidesAcceptable(const std::string& native_path);

// The image has its sides and all its pixels.
bool Image_IsWhole(const Image* image);
