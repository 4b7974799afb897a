// BMP decoding into images in the screen's format, by the system's own
// decoder: LoadImage reads the file and GetDIBits gives its pixels as 32-bit
// ones. Files stored top-down (a negative height), which LoadImage leaves
// empty on some systems, have their own header and rows handed to SetDIBits,
// the same conversion without the file loader.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bitmap_header.h"
#include "paths.h"
#include "platform/screen.h"

namespace {

constexpr std::size_t FILE_HEADER_SIZE = 14;
constexpr std::uint32_t CORE_HEADER_SIZE = 12;  // the oldest header: 16-bit sides
constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t BMP_RGB = 0;
constexpr std::uint32_t BMP_BITFIELDS = 3;
constexpr Colour ALPHA_OPAQUE = 0xFF000000;

// What the header says about the pixels that follow it.
struct BmpLayout {
  std::uint32_t pixel_offset = 0;
  std::uint32_t header_size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: rows stored top-down
  std::uint32_t bits = 0;
  std::uint32_t compression = BMP_RGB;
  std::uint32_t colours_used = 0;
};

std::uint32_t Bytes_Unsigned(const std::string& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

// False when the file is too short for its own header.
bool Bmp_Layout(const std::string& file, BmpLayout* layout) {
  if (file.size() < FILE_HEADER_SIZE + CORE_HEADER_SIZE) return false;
  layout->pixel_offset = Bytes_Unsigned(file, 10, 4);
  layout->header_size = Bytes_Unsigned(file, 14, 4);
  if (layout->header_size == CORE_HEADER_SIZE) {
    layout->width = static_cast<std::int16_t>(Bytes_Unsigned(file, 18, 2));
    layout->height = static_cast<std::int16_t>(Bytes_Unsigned(file, 20, 2));
    layout->bits = Bytes_Unsigned(file, 24, 2);
    return true;
  }
  if (layout->header_size < INFO_HEADER_SIZE ||
      file.size() < FILE_HEADER_SIZE + layout->header_size) {
    return false;
  }
  layout->width = static_cast<std::int32_t>(Bytes_Unsigned(file, 18, 4));
  layout->height = static_cast<std::int32_t>(Bytes_Unsigned(file, 22, 4));
  layout->bits = Bytes_Unsigned(file, 28, 2);
  layout->compression = Bytes_Unsigned(file, 30, 4);
  layout->colours_used = Bytes_Unsigned(file, 46, 4);
  return true;
}

// The system's decoder takes a file whose pixel rows are cut short and fills
// the rest with black; a damaged file must fail as it does elsewhere. So for
// uncompressed pictures the file must hold every row the header promises.
bool Bmp_RowsComplete(const BmpLayout& layout, std::size_t file_size) {
  if (layout.compression != BMP_RGB && layout.compression != BMP_BITFIELDS) return true;
  const std::uint64_t row_bytes =
      (static_cast<std::uint64_t>(layout.width) * layout.bits + 31) / 32 * 4;
  const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(layout.height));
  return std::uint64_t{layout.pixel_offset} + row_bytes * rows <= file_size;
}

// The header, colour masks and palette as the decoder will read them: all
// inside the file and before the pixels.
bool Bmp_InfoInside(const BmpLayout& layout, std::size_t file_size) {
  std::uint64_t info = layout.header_size;
  if (layout.compression == BMP_BITFIELDS && layout.header_size == INFO_HEADER_SIZE) info += 12;
  if (layout.bits <= 8) {
    const std::uint32_t most = 1u << layout.bits;
    info += 4ull * (layout.colours_used == 0 ? most : std::min(layout.colours_used, most));
  }
  return FILE_HEADER_SIZE + info <= std::min<std::uint64_t>(file_size, layout.pixel_offset);
}

BITMAPINFO Pixels_Info(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The picture LoadImage decoded, as top-down 32-bit pixels.
bool Decode_WithLoader(const std::string& path, const BmpLayout& layout,
                       std::vector<Colour>* pixels) {
  HANDLE loaded =
      LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (loaded == nullptr) return false;
  HBITMAP bitmap = static_cast<HBITMAP>(loaded);
  const int width = static_cast<int>(layout.width);
  const int height = static_cast<int>(layout.height);
  BITMAPINFO info = Pixels_Info(width, height);
  pixels->assign(static_cast<std::size_t>(width) * height, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  int rows = dc == nullptr ? 0
                           : GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels->data(),
                                       &info, DIB_RGB_COLORS);
  if (dc != nullptr) DeleteDC(dc);
  DeleteObject(bitmap);
  return rows == height;
}

// The file's own header and rows converted by SetDIBits into 32-bit pixels.
bool Decode_FromBytes(const std::string& file, const BmpLayout& layout,
                      std::vector<Colour>* pixels) {
  if (!Bmp_InfoInside(layout, file.size())) return false;
  const int width = static_cast<int>(layout.width);
  const int height = static_cast<int>(std::abs(layout.height));
  BITMAPINFO info = Pixels_Info(width, height);
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return false;
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  int rows = 0;
  if (target != nullptr) {
    const auto* source_info = reinterpret_cast<const BITMAPINFO*>(file.data() + FILE_HEADER_SIZE);
    rows = SetDIBits(dc, target, 0, static_cast<UINT>(height), file.data() + layout.pixel_offset,
                     source_info, DIB_RGB_COLORS);
    GdiFlush();
    const auto* decoded = static_cast<const Colour*>(bits);
    pixels->assign(decoded, decoded + static_cast<std::size_t>(width) * height);
    DeleteObject(target);
  }
  DeleteDC(dc);
  return rows == height;
}

// Only 32-bit pictures carry alpha, and one whose alpha is zero throughout
// has none: its fourth byte is unused, and the picture is opaque.
bool Pixels_HaveAlpha(const std::vector<Colour>& pixels) {
  return std::any_of(pixels.begin(), pixels.end(),
                     [](Colour c) { return (c & ALPHA_OPAQUE) != 0; });
}

// `pixels` is width x height; copies what overlaps the image, from the
// top-left.
void Image_CopyFrom(Image* image, const std::vector<Colour>& pixels, int width, int height,
                    bool has_alpha) {
  const int columns = std::min(image->width, width);
  const int rows = std::min(image->height, height);
  for (int row = 0; row < rows; ++row) {
    const Colour* source = &pixels[static_cast<std::size_t>(row) * width];
    Colour* target = &image->pixels[static_cast<std::size_t>(row) * image->width];
    for (int column = 0; column < columns; ++column) {
      target[column] = has_alpha ? source[column] : source[column] | ALPHA_OPAQUE;
    }
  }
}

}  // namespace

int LoadBitmapImage(const char* path, Image* image) {
  if (path == nullptr || !Image_IsWhole(image)) return BITMAP_BAD_ARGUMENT;
  std::string native = Path_ToNative(path);
  if (!Bitmap_SidesAcceptable(native)) return BITMAP_BAD_HEADER;
  std::ifstream stream(native, std::ios::binary);
  std::string file{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  BmpLayout layout;
  if (!Bmp_Layout(file, &layout) || !Bmp_RowsComplete(layout, file.size())) {
    return BITMAP_UNDECODABLE;
  }
  std::vector<Colour> pixels;
  const bool decoded = layout.height < 0 ? Decode_FromBytes(file, layout, &pixels)
                                         : Decode_WithLoader(native, layout, &pixels);
  if (!decoded) return BITMAP_UNDECODABLE;
  const int width = static_cast<int>(layout.width);
  const int height = static_cast<int>(std::abs(layout.height));
  Image_CopyFrom(image, pixels, width, height, layout.bits == 32 && Pixels_HaveAlpha(pixels));
  return BITMAP_OK;
}
