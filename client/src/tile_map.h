// The playing field: 18 x 15 tiles of 32 x 32 pixels read from map\Map,
// drawn every frame over everything else.
#pragma once

#include <cstdint>

#include "game/map_file.h"
#include "platform/screen.h"
#include "sprites.h"

inline constexpr int TILE_SIZE = 32;
// Codes 1 to 7 stop the player; 8 (a bush) is drawn but can be walked into.
// 0, and bytes 128 to 255 read as negative codes, are empty ground.
inline constexpr std::int8_t TILE_FIRST_SOLID = 1;
inline constexpr std::int8_t TILE_LAST_SOLID = 7;
inline constexpr std::int8_t TILE_STEALTH = 8;

inline constexpr const char* MAP_MESSAGE = "[Error]Something went wrong while loading map file.";

struct TileMap {
  std::int8_t tiles[MAP_TILE_COUNT] = {};   // column by column, MapIndex(col, row)
  Image* tileImages[SPRITE_SET_SIZE] = {};  // slot n - 1 holds the image of code n
};

// True for the codes that stop the player.
constexpr bool Tile_Blocks(std::int8_t code) {
  return code >= TILE_FIRST_SOLID && code <= TILE_LAST_SOLID;
}

// Clears the map, loads the eight tile images, then the map file; ends the
// program when an image or the file is missing.
void TileMap_Init(TileMap& map);
void TileMap_LoadImages(TileMap& map);
void TileMap_Load(TileMap& map);

// Draws every tile of code 1 to 8; other codes have no image and draw nothing.
void TileMap_Draw(const TileMap& map);
