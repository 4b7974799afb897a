// The server: listens first, then reads the map, then waits for Escape while
// the engine's threads admit players and relay their positions.
#include <cstdio>
#include <string>

#include "game/command_line.h"
#include "game/names.h"
#include "game/texts.h"
#include "lan_console.h"
#include "lan_outbox.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "server.h"

namespace {

constexpr int MAIN_LOOP_PAUSE_MS = 10;
constexpr int EXIT_OK = 0;

}  // namespace

int main(int argc, char** argv) {
  if (CommandLine_AsksForHelp(argc, argv)) {
    std::fwrite(SERVER_USAGE.data(), 1, SERVER_USAGE.size(), stdout);
    return EXIT_HELP;
  }
  ServerCommandLine command_line;
  if (!StartUp_ParseOptions(argc, argv, command_line)) {
    std::fwrite(SERVER_USAGE.data(), 1, SERVER_USAGE.size(), stderr);
    return EXIT_BAD_OPTIONS;
  }
  // The game is chosen here once: the listener's callback adopts each player
  // with that game's callbacks.
  const PLAX_EventNewConnection on_new_connection =
      command_line.lan ? OnLanNewConnection : OnNewConnection;
  ServerState& state = serverState;
  // Only the LAN game has a name; the default game asks nobody's login.
  const std::string game_name = command_line.lan ? GameName_Choose(command_line.gameName) : "";
  // The LAN game opens its discovery port first and its game port next, so
  // that with either taken it admits no one.
  if (command_line.lan) {
    LanConsole_PrintSends(command_line.verbose);
    LanConsole_Start();
    LanOutbox_StartAll();
    const PLAX_Result discovery = LanDiscovery_Open(command_line.port, game_name);
    if (discovery != PLAX_GURU_NO_ERROR) StartUp_Fail(EngineErrorLine(PLAX_GURUText(discovery)));
  }
  state.createResult = PLAX_OpenServer(state.serverId, command_line.port, MAX_SIM_CON_REQ,
                                       on_new_connection, OnConnectionRefused);
  if (state.createResult != PLAX_GURU_NO_ERROR) {
    StartUp_Fail(EngineErrorLine(PLAX_GURUText(state.createResult)));
  }
  // Players may already be admitted and relayed while the map is read.
  LoadServerMap();
  if (command_line.lan) LanConsole_Print(LanConsole_GameLine(game_name, command_line.port));
  StartUp_Ready();
  while (!IsKeyDown(SC_ESCAPE)) SleepMs(MAIN_LOOP_PAUSE_MS);
  state.ending = true;
  EndProgram(EXIT_OK);
}
