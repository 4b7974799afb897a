// The game client: a window with the tile map and the local player, whose
// every step is reported to the server; with --lan the other players too.
// Escape ends it.
#include <cstdio>

#include "client_options.h"
#include "game.h"
#include "game/command_line.h"
#include "lan_network.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "platform/screen.h"

namespace {

// What a game brings: its start-up and its frame.
struct ClientMode {
  void (*start)(Game& game, const char* host, int port);
  void (*runFrame)(Game& game, FrameTimer& timer);
};

constexpr ClientMode DEFAULT_MODE = {Game_Start, Game_RunFrame};
constexpr ClientMode LAN_MODE = {LanGame_Start, LanGame_RunFrame};

}  // namespace

int main(int argc, char** argv) {
  // Options are settled before a window or a socket exists.
  if (CommandLine_AsksForHelp(argc, argv)) {
    std::fwrite(CLIENT_USAGE.data(), 1, CLIENT_USAGE.size(), stdout);
    return EXIT_HELP;
  }
  ClientOptions options;
  if (!ClientOptions_Parse(argc, argv, options)) {
    std::fwrite(CLIENT_USAGE.data(), 1, CLIENT_USAGE.size(), stderr);
    return EXIT_BAD_OPTIONS;
  }
  const ClientMode mode = options.lan ? LAN_MODE : DEFAULT_MODE;
  // Not checked: without a screen no image can be created, and start-up ends
  // with the image message.
  OpenScreen(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, SCREEN_FLAG_BORDERLESS);
  // A LAN client told no host finds one while its window runs.
  if (options.lan && !options.hostGiven) options.host.clear();
  if (options.lan) LanGame_SetName(options.name);
  Game game;
  mode.start(game, options.host.c_str(), options.port);
  FrameTimer timer;
  while (!IsKeyDown(SC_ESCAPE)) {
    mode.runFrame(game, timer);
    PaceFrame(timer);
  }
  // The connection and the images are left to the engine's clean-up and the
  // end of the process.
  if (options.lan) LanGame_End();
  EndProgram(0);
}
