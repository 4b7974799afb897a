// Start-up of the client to its first frame, step by step: the window, the
// three image sets and the map, the connection, the first frame; with --lan
// the LAN game's, which, as the client does, leaves the search for the game
// to its network thread and draws the first frame meanwhile ("search" is
// then the time the first frame waited on it: none). Needs an X display
// and a server listening on the game's port (with --lan, a LAN server on the
// local network); one run per process, since a process opens its window once.
//
// Usage: client_startup_bench [--lan] <assets folder>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "game.h"
#include "game/lan_search.h"
#include "lan_network.h"
#include "platform/clock.h"

constexpr const char* USAGE = "usage: client_startup_bench [--lan] <assets folder>\n";

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  const bool lan = argc == 3 && std::string(argv[1]) == "--lan";
  std::error_code no_folder;
  if (argc == 2 || lan) std::filesystem::current_path(argv[argc - 1], no_folder);
  if ((argc != 2 && !lan) || no_folder) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  const double start = TimerSeconds();
  OpenScreen(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, SCREEN_FLAG_BORDERLESS);
  const double window = TimerSeconds();
  FoundGame found;
  found.host = SERVER_HOST;
  found.port = SERVER_PORT;
  if (lan) found.host.clear();
  if (!found.failure.empty()) {
    std::fprintf(stderr, "%s\n", found.failure.c_str());
    return 1;
  }
  const double searched = TimerSeconds();
  static Game game;
  Game_Load(game);
  const double loaded = TimerSeconds();
  FrameTimer timer;
  if (lan) {
    LanGame_Connect(game, found.host.c_str(), found.port);
  } else {
    Client_Connect(game, found.host.c_str(), found.port);
  }
  const double connected = TimerSeconds();
  if (lan) {
    LanGame_RunFrame(game, timer);
  } else {
    Game_RunFrame(game, timer);
  }
  const double first_frame = TimerSeconds();
  std::printf(
      "window %.1f ms, search %.1f ms, images+map %.1f ms, connect %.1f ms, first frame %.1f ms, "
      "total %.1f ms\n",
      (window - start) * 1e3, (searched - window) * 1e3, (loaded - searched) * 1e3,
      (connected - loaded) * 1e3, (first_frame - connected) * 1e3, (first_frame - start) * 1e3);
  return 0;
}
