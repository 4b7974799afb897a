// The client's work per frame on an in-memory screen (update, erase, draw of a
// full map and both sprites; no pacing sleep), and the cost of showing a frame
// in a real window (only when DISPLAY names an X display).
//
// Usage: client_frame_bench [benchmark flags]   (run from anywhere)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "game.h"
#include "platform/keys.h"
#include "platform_testing.h"

namespace {

void NoReport(std::int32_t, std::int32_t, PLAX_ID) {}

// The shipped sprites, a map whose 270 tiles are all drawn (every kind in
// turn, bushes along the player's row so it keeps walking), and D held down.
void SetUpGame(Game& game) {
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

void BM_FrameWork(benchmark::State& state) {
  Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
  static Game game;
  SetUpGame(game);
  for (auto _ : state) {
    if (game.player.x >= PLAYER_MAX_X) game.player.x = PLAYER_START_X;
    Game_Update(game);
    LockScreen();
    Player_EraseOld(game.player);
    Game_Draw(game);
    UnlockScreen();
    benchmark::DoNotOptimize(Screen_Pixels()[40 * SCREEN_WIDTH + 40]);
  }
}
BENCHMARK(BM_FrameWork)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_PresentInWindow(benchmark::State& state) {
  // A process opens its window once; the repetitions share it.
  static const bool window =
      std::getenv("DISPLAY") != nullptr &&
      OpenScreen(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, SCREEN_FLAG_BORDERLESS) == 0;
  if (!window) {
    state.SkipWithError("no X display to open a window on");
    return;
  }
  for (auto _ : state) {
    LockScreen();
    UnlockScreen();
  }
}
BENCHMARK(BM_PresentInWindow)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
