#include "sprites.h"

#include <cstdint>

#include "game/texts.h"
#include "platform/files.h"
#include "start_up_failure.h"

namespace {

// Where the BMP header keeps the bitmap's width and height (1-based).
constexpr long BMP_WIDTH_POSITION = 19;
constexpr long BMP_HEIGHT_POSITION = 23;
constexpr std::uint8_t BMP_MAGIC_1 = 66;  // 'B'
constexpr std::uint8_t BMP_MAGIC_2 = 77;  // 'M'

// Reads a little-endian signed 32-bit field; bytes past the end read as 0.
std::int32_t ReadInt32At(int file, long position) {
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  SeekFile(file, position);
  ReadFileBytes(file, 0, bytes, sizeof bytes);
  const std::uint32_t value =
      bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  return static_cast<std::int32_t>(value);
}

}  // namespace

BmpSize ProbeBmpSize(const char* path) {
  BmpSize size;
  std::uint8_t b1 = 0;
  std::uint8_t b2 = 0;
  const int file = FreeFileNumber();
  // A failed open leaves every read below without effect: the size stays 0.
  const bool opened = OpenFileRead(path, file) == 0;
  ReadFileBytes(file, 0, &b1, 1);
  ReadFileBytes(file, 0, &b2, 1);
  if (b1 == BMP_MAGIC_1 && b2 == BMP_MAGIC_2) {
    size.width = ReadInt32At(file, BMP_WIDTH_POSITION);
    size.height = ReadInt32At(file, BMP_HEIGHT_POSITION);
  }
  if (opened) CloseFile(file);
  return size;
}

Image* LoadSprite(const char* path) {
  const BmpSize size = ProbeBmpSize(path);
  // CreateImage refuses sides below 1 and above MAX_IMAGE_SIDE, so a header
  // claiming a huge bitmap is treated like a missing file.
  Image* image = CreateImage(size.width, size.height);
  // Pixels the decoder cannot write stay magenta and draw as nothing.
  if (image != nullptr) LoadBitmapImage(path, image);
  return image;
}

bool SpriteSet_TryLoad(Image* images[SPRITE_SET_SIZE], const char* const paths[SPRITE_SET_SIZE]) {
  for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) images[slot] = LoadSprite(paths[slot]);
  for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) {
    if (images[slot] == nullptr) return false;
  }
  return true;
}

void SpriteSet_Load(Image* images[SPRITE_SET_SIZE], const char* const paths[SPRITE_SET_SIZE]) {
  if (!SpriteSet_TryLoad(images, paths)) StartUp_Fail(IMAGE_MESSAGE);
}

const Image* SpriteSet_Frame(Image* const images[SPRITE_SET_SIZE], std::uint8_t direction,
                             std::int8_t anim_counter) {
  if (direction > DIR_RIGHT) return nullptr;
  // A set holds the four directions of the first frame, then of the second.
  const int frame = anim_counter < ANIM_SWITCH ? 0 : 1;
  return images[frame * DIRECTION_COUNT + direction];
}
