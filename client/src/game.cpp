#include "game.h"

#include <cmath>

#include "platform/clock.h"
#include "platform/screen.h"

void Game_Load(Game& game) {
  Player_Init(game.player, PLAYER_START_X, PLAYER_START_Y, ReportPosition);
  Enemy_Init(game.enemy);
  TileMap_Init(game.map);
}

void Game_Start(Game& game, const char* host, int port) {
  // Everything is loaded before the connection exists, so no report can be
  // sent before the first frame.
  Game_Load(game);
  Client_Connect(game, host, port);
}

void Game_Update(Game& game) {
  Player_HandleKeys(game.player);
  Player_Collide(game);
}

void Game_Draw(const Game& game) {
  Enemy_Draw(game.enemy);
  Player_Draw(game.player);
  // The map goes over the sprites: a bush hides the player standing in it.
  TileMap_Draw(game.map);
}

void Game_RunFrame(Game& game, FrameTimer& timer) {
  timer.frameStart = TimerSeconds();
  Game_Update(game);
  LockScreen();
  // The screen is never cleared: this box and the map redraw keep it clean.
  Player_EraseOld(game.player);
  Game_Draw(game);
  UnlockScreen();
  timer.frameEnd = TimerSeconds();
}

int FrameTimer_Wait(FrameTimer& timer) {
  // The duration enters in seconds times 60, not in milliseconds: every
  // frame shorter than 2/3 s gets the full 16 ms.
  timer.budget = std::floor(PACE_BUDGET - (timer.frameEnd - timer.frameStart) * FRAME_SCALE);
  const int wait = static_cast<int>(std::floor(timer.budget / FRAME_SCALE));
  return wait < 0 ? 0 : wait;
}

void PaceFrame(FrameTimer& timer) {
  const int wait = FrameTimer_Wait(timer);
  if (wait > 0) SleepMs(wait);
}
