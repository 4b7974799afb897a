#include "game/player_rules.h"

namespace {

// Wide, so that no position makes the far corner overflow.
bool CornerInside(std::int64_t px, std::int64_t py, std::int64_t left, std::int64_t top) {
  return left < px && px < left + TILE_SIZE && top < py && py < top + TILE_SIZE;
}

}  // namespace

void Player_KeepOnScreen(std::int32_t& x, std::int32_t& y) {
  if (y < 0) y = 0;
  if (x < 0) x = 0;
  if (y > PLAYER_MAX_Y) y = PLAYER_MAX_Y;
  if (x > PLAYER_MAX_X) x = PLAYER_MAX_X;
}

bool Player_Reportable(std::int32_t x, std::int32_t y) {
  return x >= -1 && x <= PLAYER_MAX_X + 1 && y >= -1 && y <= PLAYER_MAX_Y + 1;
}

bool Player_OverlapsTile(std::int32_t x, std::int32_t y, int col, int row) {
  const std::int64_t left = (col - 1) * TILE_SIZE;
  const std::int64_t top = (row - 1) * TILE_SIZE;
  const std::int64_t x2 = std::int64_t{x} + SPRITE_SIZE;
  const std::int64_t y2 = std::int64_t{y} + SPRITE_SIZE;
  return CornerInside(x, y, left, top) || CornerInside(x2, y, left, top) ||
         CornerInside(x, y2, left, top) || CornerInside(x2, y2, left, top);
}

int Player_TakeBackFromWalls(std::int32_t& x, std::int32_t& y, std::int32_t prev_x,
                             std::int32_t prev_y, const std::int8_t tiles[MAP_TILE_COUNT]) {
  int restores = 0;
  for (int col = 1; col <= MAP_COLUMNS; ++col) {
    for (int row = 1; row <= MAP_ROWS; ++row) {
      if (!Tile_Blocks(tiles[MapIndex(col, row)])) continue;
      if (!Player_OverlapsTile(x, y, col, row)) continue;
      x = prev_x;
      y = prev_y;
      ++restores;
    }
  }
  return restores;
}
