// The map file: one 128-byte record per tile, column by column; the first
// byte of each record is the tile's code, the other 127 are not read.
#pragma once

#include <cstdint>

inline constexpr int MAP_COLUMNS = 18;
inline constexpr int MAP_ROWS = 15;
inline constexpr int MAP_TILE_COUNT = MAP_COLUMNS * MAP_ROWS;
inline constexpr int MAP_RECORD_SIZE = 128;
inline constexpr const char* MAP_PATH = "map\\Map";

// Index of column `col` (1-18), row `row` (1-15) in a column-major code array.
constexpr int MapIndex(int col, int row) {
  return (col - 1) * MAP_ROWS + (row - 1);
}

// Reads the codes of the file at `path` into `codes`, column by column. A tile
// whose record lies at or past the end of the file keeps what `codes` held.
// False when the file cannot be opened (no file, no free file number).
bool ReadMapFile(const char* path, std::int8_t codes[MAP_TILE_COUNT]);
