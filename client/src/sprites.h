// Sprite images: loading BMP files into images of the screen's format, the
// eight-image sets that every figure and the tile map own, and the choice of
// a figure's animation frame.
#pragma once

#include <cstdint>

#include "game/assets.h"
#include "game/player_rules.h"
#include "platform/screen.h"

// From this counter value on a figure shows its second frame.
inline constexpr double ANIM_SWITCH = 5.0;

struct BmpSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Width and height as the BMP header at `path` states them, read with the
// file services; (0, 0) for a file that is missing or does not start with "BM".
BmpSize ProbeBmpSize(const char* path);

// An image of the size the file states, holding its pixels (magenta where the
// decoder wrote none). Null when the size is unusable (below 1, or above
// MAX_IMAGE_SIDE) or no screen is open. The image is never freed.
Image* LoadSprite(const char* path);

// Loads all eight paths in order into `images`, whatever the earlier loads
// gave. True when every image exists.
bool SpriteSet_TryLoad(Image* images[SPRITE_SET_SIZE], const char* const paths[SPRITE_SET_SIZE]);

// As SpriteSet_TryLoad; when an image is missing it prints IMAGE_MESSAGE,
// waits for a key and ends the program with -1.
void SpriteSet_Load(Image* images[SPRITE_SET_SIZE], const char* const paths[SPRITE_SET_SIZE]);

// The image a figure shows: first frame below ANIM_SWITCH, second from it on,
// the slot of `direction`. Null for a direction outside DIR_UP to DIR_RIGHT.
const Image* SpriteSet_Frame(Image* const images[SPRITE_SET_SIZE], std::uint8_t direction,
                             std::int8_t anim_counter);
