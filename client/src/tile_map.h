// The playing field: 18 x 15 tiles of 32 x 32 pixels read from map\Map,
// drawn every frame over everything else.
#pragma once

#include <cstdint>

#include "game/map_file.h"
#include "game/tiles.h"
#include "platform/screen.h"
#include "sprites.h"

struct TileMap {
  std::int8_t tiles[MAP_TILE_COUNT] = {};   // column by column, MapIndex(col, row)
  Image* tileImages[SPRITE_SET_SIZE] = {};  // slot n - 1 holds the image of code n
};

// Clears the map, loads the eight tile images, then the map file; ends the
// program when an image or the file is missing.
void TileMap_Init(TileMap& map);
void TileMap_LoadImages(TileMap& map);
void TileMap_Load(TileMap& map);

// Draws every tile of code 1 to 8; other codes have no image and draw nothing.
void TileMap_Draw(const TileMap& map);
