// The BMP header probe shared by the window backends' loaders.
#include "bitmap_header.h"

#include <cstdint>
#include <fstream>

namespace {

constexpr int BMP_PROBE_SIZE = 26;
constexpr std::uint32_t BMP_CORE_HEADER_SIZE = 12;  // the oldest header: 16-bit sides

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

}  // namespace

bool Bitmap_SidesAcceptable(const std::string& native_path) {
  unsigned char header[BMP_PROBE_SIZE] = {};
  std::ifstream file(native_path, std::ios::binary);
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
