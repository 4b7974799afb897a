// Start-up of the client to its first frame, step by step: the window, the
// three image sets and the map, the connection, the first frame. Needs an X
// display and a server listening on the game's port; one run per process, since a
// process opens its window once.
//
// Usage: client_startup_bench <assets folder>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "game.h"
#include "platform/clock.h"

constexpr const char* USAGE = "usage: client_startup_bench <assets folder>\n";

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  std::error_code no_folder;
  if (argc == 2) std::filesystem::current_path(argv[1], no_folder);
  if (argc != 2 || no_folder) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  const double start = TimerSeconds();
  OpenScreen(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, SCREEN_FLAG_BORDERLESS);
  const double window = TimerSeconds();
  static Game game;
  Player_Init(game.player, PLAYER_START_X, PLAYER_START_Y, ReportPosition);
  Enemy_Init(game.enemy);
  TileMap_Init(game.map);
  const double loaded = TimerSeconds();
  Client_Connect(game, SERVER_HOST, SERVER_PORT);
  const double connected = TimerSeconds();
  FrameTimer timer;
  Game_RunFrame(game, timer);
  const double first_frame = TimerSeconds();
  std::printf(
      "window %.1f ms, images+map %.1f ms, connect %.1f ms, first frame %.1f ms, total %.1f ms\n",
      (window - start) * 1e3, (loaded - window) * 1e3, (connected - loaded) * 1e3,
      (first_frame - connected) * 1e3, (first_frame - start) * 1e3);
  return 0;
}
