// The playing field: a 640 x 480 screen whose left 576 pixels hold a grid of
// 18 x 15 tiles of 32 x 32, and what each tile code means.
#pragma once

#include <cstdint>

inline constexpr int SCREEN_WIDTH = 640;
inline constexpr int SCREEN_HEIGHT = 480;

inline constexpr int TILE_SIZE = 32;
inline constexpr int MAP_COLUMNS = 18;
inline constexpr int MAP_ROWS = 15;
inline constexpr int MAP_TILE_COUNT = MAP_COLUMNS * MAP_ROWS;

// Codes 1 to 7 stop the player; 8 (a bush) is drawn but can be walked into.
// 0, and bytes 128 to 255 read as negative codes, are empty ground.
inline constexpr std::int8_t TILE_FIRST_SOLID = 1;
inline constexpr std::int8_t TILE_LAST_SOLID = 7;
inline constexpr std::int8_t TILE_STEALTH = 8;

// Index of column `col` (1-18), row `row` (1-15) in a column-major code array.
constexpr int MapIndex(int col, int row) {
  return (col - 1) * MAP_ROWS + (row - 1);
}

// True for the codes that stop the player.
constexpr bool Tile_Blocks(std::int8_t code) {
  return code >= TILE_FIRST_SOLID && code <= TILE_LAST_SOLID;
}
