#include "tile_map.h"

#include "game/assets.h"
#include "game/texts.h"
#include "start_up_failure.h"

void TileMap_Init(TileMap& map) {
  map = TileMap{};
  TileMap_LoadImages(map);
  TileMap_Load(map);
}

void TileMap_LoadImages(TileMap& map) {
  SpriteSet_Load(map.tileImages, TILE_IMAGE_PATHS);
}

void TileMap_Load(TileMap& map) {
  // Tiles past the end of a short file keep their code 0.
  if (!ReadMapFile(MAP_PATH, map.tiles)) StartUp_Fail(MAP_MESSAGE);
}

void TileMap_Draw(const TileMap& map) {
  for (int col = 1; col <= MAP_COLUMNS; ++col) {
    for (int row = 1; row <= MAP_ROWS; ++row) {
      const std::int8_t code = map.tiles[MapIndex(col, row)];
      // Codes 9 to 127 have no image: never look one up outside the set.
      if (code < 1 || code > SPRITE_SET_SIZE) continue;
      DrawImageTransparent((col - 1) * TILE_SIZE, (row - 1) * TILE_SIZE, map.tileImages[code - 1]);
    }
  }
}
