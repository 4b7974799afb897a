// BMP decoding into images in the screen's format.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "paths.h"
#include "platform/screen.h"

namespace {

constexpr int BMP_PROBE_SIZE = 26;
constexpr std::uint32_t BMP_CORE_HEADER_SIZE = 12;  // the oldest header: 16-bit sides

enum BitmapResult {
  BITMAP_OK = 0,
  BITMAP_BAD_ARGUMENT = 1,
  BITMAP_BAD_HEADER = 2,
  BITMAP_UNDECODABLE = 3,
};

std::int64_t Bytes_Little(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  if (count == 2) return static_cast<std::int16_t>(value);
  return static_cast<std::int32_t>(value);
}

bool Side_Acceptable(std::int64_t side) {
  side = side < 0 ? -side : side;  // a negative height means rows stored top-down
  return side >= 1 && side <= MAX_IMAGE_SIDE;
}

// Reads the sides from the header before the decoder does, so a file claiming
// a huge picture is refused instead of costing gigabytes.
bool Bitmap_SidesAcceptable(const std::string& path) {
  unsigned char header[BMP_PROBE_SIZE] = {};
  std::ifstream file(path, std::ios::binary);
  if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return false;
  if (header[0] != 'B' || header[1] != 'M') return false;
  bool core = Bytes_Little(header + 14, 4) == BMP_CORE_HEADER_SIZE;
  int field = core ? 2 : 4;
  return Side_Acceptable(Bytes_Little(header + 18, field)) &&
         Side_Acceptable(Bytes_Little(header + 18 + field, field));
}

bool Image_IsWhole(const Image* image) {
  return image != nullptr && image->width >= 1 && image->height >= 1 &&
         image->pixels.size() == static_cast<std::size_t>(image->width) * image->height;
}

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
