// BMP decoding into images in the screen's format, through SDL's loader.
#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "bitmap_header.h"
#include "paths.h"
#include "platform/screen.h"

namespace {

// `surface` is ARGB8888; copies what overlaps the image, from the top-left.
void Image_CopyFrom(Image* image, SDL_Surface* surface) {
  int width = std::min(image->width, surface->w);
  int height = std::min(image->height, surface->h);
  SDL_LockSurface(surface);
  for (int row = 0; row < height; ++row) {
    const auto* source = static_cast<const unsigned char*>(surface->pixels) +
                         static_cast<std::size_t>(row) * surface->pitch;
    std::memcpy(&image->pixels[static_cast<std::size_t>(row) * image->width], source,
                static_cast<std::size_t>(width) * sizeof(Colour));
  }
  SDL_UnlockSurface(surface);
}

}  // namespace

int LoadBitmapImage(const char* path, Image* image) {
  if (path == nullptr || !Image_IsWhole(image)) return BITMAP_BAD_ARGUMENT;
  std::string native = Path_ToNative(path);
  if (!Bitmap_SidesAcceptable(native)) return BITMAP_BAD_HEADER;
  SDL_Surface* decoded = SDL_LoadBMP(native.c_str());
  if (decoded == nullptr) return BITMAP_UNDECODABLE;
  SDL_Surface* converted = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(decoded);
  if (converted == nullptr) return BITMAP_UNDECODABLE;
  Image_CopyFrom(image, converted);
  SDL_FreeSurface(converted);
  return BITMAP_OK;
}
