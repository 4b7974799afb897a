#include "support/bmp.h"

#include <map>

#include "support/temp_dir.h"

namespace {

constexpr std::uint32_t FILE_HEADER_SIZE = 14;
constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t PIXELS_PER_METRE = 2835;  // 72 dpi

void Bytes_Put(std::string& bytes, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Both headers; `stored_height` is negative for top-down rows.
std::string Bmp_Headers(std::int32_t width, std::int32_t stored_height, int bits,
                        std::uint32_t data_size, std::uint32_t palette_size) {
  const std::uint32_t offset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + 4 * palette_size;
  std::string bytes = "BM";
  Bytes_Put(bytes, offset + data_size, 4);
  Bytes_Put(bytes, 0, 4);
  Bytes_Put(bytes, offset, 4);
  Bytes_Put(bytes, INFO_HEADER_SIZE, 4);
  Bytes_Put(bytes, static_cast<std::uint32_t>(width), 4);
  Bytes_Put(bytes, static_cast<std::uint32_t>(stored_height), 4);
  Bytes_Put(bytes, 1, 2);
  Bytes_Put(bytes, static_cast<std::uint32_t>(bits), 2);
  Bytes_Put(bytes, 0, 4);  // uncompressed
  Bytes_Put(bytes, data_size, 4);
  Bytes_Put(bytes, PIXELS_PER_METRE, 4);
  Bytes_Put(bytes, PIXELS_PER_METRE, 4);
  Bytes_Put(bytes, palette_size, 4);
  Bytes_Put(bytes, 0, 4);
  return bytes;
}

// Pixel bits of one row, padded to four bytes.
std::string Bmp_Row(const std::uint32_t* row, int width, int bits,
                    const std::map<std::uint32_t, int>& palette) {
  std::string bytes;
  std::uint32_t pending = 0;
  int pending_bits = 0;
  for (int x = 0; x < width; ++x) {
    std::uint32_t c = row[x];
    if (bits <= 8) {
      pending = (pending << bits) | static_cast<std::uint32_t>(palette.at(c & 0xFFFFFF));
      pending_bits += bits;
      if (pending_bits == 8) {
        bytes.push_back(static_cast<char>(pending));
        pending = 0;
        pending_bits = 0;
      }
    } else if (bits == 16) {
      std::uint32_t r = (c >> 19) & 31, g = (c >> 11) & 31, b = (c >> 3) & 31;
      Bytes_Put(bytes, (r << 10) | (g << 5) | b, 2);
    } else {
      Bytes_Put(bytes, bits == 24 ? (c & 0xFFFFFF) : c, bits / 8);
    }
  }
  if (pending_bits > 0) bytes.push_back(static_cast<char>(pending << (8 - pending_bits)));
  while (bytes.size() % 4 != 0) bytes.push_back('\0');
  return bytes;
}

}  // namespace

std::string Bmp_Bytes(int width, int height, int bits, bool top_down,
                      const std::vector<std::uint32_t>& pixels) {
  std::map<std::uint32_t, int> palette;
  if (bits <= 8) {
    for (std::uint32_t c : pixels) palette.emplace(c & 0xFFFFFF, 0);
    int index = 0;
    for (auto& entry : palette) entry.second = index++;
  }
  std::string data;
  for (int i = 0; i < height; ++i) {
    int row = top_down ? i : height - 1 - i;
    data += Bmp_Row(&pixels[static_cast<std::size_t>(row) * width], width, bits, palette);
  }
  std::string bytes =
      Bmp_Headers(width, top_down ? -height : height, bits, static_cast<std::uint32_t>(data.size()),
                  static_cast<std::uint32_t>(palette.size()));
  for (auto& entry : palette) Bytes_Put(bytes, entry.first, 4);
  return bytes + data;
}

void Bmp_Write(const std::string& path, int width, int height, int bits, bool top_down,
               const std::vector<std::uint32_t>& pixels) {
  File_Write(path, Bmp_Bytes(width, height, bits, top_down, pixels));
}

std::string Bmp_Header(std::int32_t width, std::int32_t height, std::size_t length) {
  std::string bytes = Bmp_Headers(width, height, 24, 0, 0);
  bytes.resize(length, '\0');
  return bytes;
}
