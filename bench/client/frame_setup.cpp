#include "frame_setup.h"

#include <filesystem>
#include <string>

#include "game/lan_messages.h"
#include "lan_network.h"
#include "platform/keys.h"
#include "platform_testing.h"

namespace {

void NoReport(std::int32_t, std::int32_t, PLAX_ID) {}

constexpr int FIRST_REMOTE_SEAT = 2;
constexpr std::int32_t REMOTE_ROW_PITCH = 100;

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

void FrameBench_SetUpLanGame(Game& game) {
  FrameBench_SetUpGame(game);
  RemotePlayers_ShareImages(game.remotePlayers, game.enemy.images);
  LanInbox_Reset(game.enemy.images);
  // Everyone named, as in a game: each frame places and draws four tags.
  LanGame_SetName("Ana");
  const char* const names[] = {"Ben", "Cleo", "Dana"};
  std::string told = BuildWelcome(1);
  for (int seat = FIRST_REMOTE_SEAT; seat <= LAN_SEATS; ++seat) {
    told += BuildPlayerNamed(static_cast<std::int8_t>(seat), names[seat - FIRST_REMOTE_SEAT]);
  }
  LanClient_OnNewData(0, told, 0.0);
}

void FrameBench_RunLanFrame(Game& game) {
  // A clock of the bench's own, a frame on per frame, so that the figures'
  // playback runs as in a game at 60 frames a second however fast the loop.
  static double now = 0.0;
  now += 1.0 / 60.0;
  static std::int32_t remote_x = PLAYER_START_X;
  if (++remote_x > PLAYER_MAX_X) remote_x = PLAYER_START_X;
  for (int seat = FIRST_REMOTE_SEAT; seat <= LAN_SEATS; ++seat) {
    const std::int8_t seat_byte = static_cast<std::int8_t>(seat);
    LanClient_OnNewData(0, BuildPlayerMoved(remote_x, seat * REMOTE_ROW_PITCH, seat_byte), now);
  }
  if (game.player.x >= PLAYER_MAX_X) game.player.x = PLAYER_START_X;
  LanGame_Frame(game, now);
}
