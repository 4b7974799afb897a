// The server: listens first, then reads the map, then waits for Escape while
// the engine's threads admit players and relay their positions.
#include "game/texts.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "server.h"

namespace {

constexpr int MAIN_LOOP_PAUSE_MS = 10;
constexpr int EXIT_OK = 0;

}  // namespace

int main() {
  ServerState& state = serverState;
  state.createResult = PLAX_OpenServer(state.serverId, SERVER_PORT, MAX_SIM_CON_REQ,
                                       OnNewConnection, OnConnectionRefused);
  if (state.createResult != PLAX_GURU_NO_ERROR) {
    PrintLine(EngineErrorLine(PLAX_GURUText(state.createResult)));
    WaitForKey();
    EndProgram(EXIT_FATAL);
  }
  // Players may already be admitted and relayed while the map is read.
  LoadServerMap();
  while (!IsKeyDown(SC_ESCAPE)) SleepMs(MAIN_LOOP_PAUSE_MS);
  EndProgram(EXIT_OK);
}
