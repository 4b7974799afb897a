// BMP files made on the fly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A BMP with `bits` per pixel (1, 4, 8 with a palette of the distinct
// colours; 16 as 5-5-5; 24; 32 with the alpha byte kept). `pixels` holds ARGB
// rows top to bottom; the file stores them bottom-up unless `top_down`.
std::string Bmp_Bytes(int width, int height, int bits, bool top_down,
                      const std::vector<std::uint32_t>& pixels);
void Bmp_Write(const std::string& path, int width, int height, int bits, bool top_down,
               const std::vector<std::uint32_t>& pixels);

// The first bytes of a 24-bit header: "BM", then `width` at offset 18 and
// `height` at offset 22, cut to `length` bytes.
std::string Bmp_Header(std::int32_t width, std::int32_t height, std::size_t length = 54);
