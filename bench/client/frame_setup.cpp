#include "frame_setup.h"

#include <filesystem>

#include "platform/keys.h"
#include "platform_testing.h"

namespace {

void NoReport(std::int32_t, std::int32_t, PLAX_ID) {}

}  // namespace

void FrameBench_SetUpGame(Game& game) {
  std::filesystem::current_path(ASSETS_DIR);
  Player_Init(game.player, PLAYER_START_X, PLAYER_START_Y, NoReport);
  Enemy_Init(game.enemy);
  TileMap_Init(game.map);
  for (int k = 0; k < MAP_TILE_COUNT; ++k) {
    game.map.tiles[k] = static_cast<std::int8_t>(k % SPRITE_SET_SIZE + 1);
  }
  for (int col = 1; col <= MAP_COLUMNS; ++col) game.map.tiles[MapIndex(col, 2)] = TILE_STEALTH;
  Keys_Press(SC_D);
}

void FrameBench_RunFrame(Game& game) {
  if (game.player.x >= PLAYER_MAX_X) game.player.x = PLAYER_START_X;
  Game_Update(game);
  LockScreen();
  Player_EraseOld(game.player);
  Game_Draw(game);
  UnlockScreen();
}
