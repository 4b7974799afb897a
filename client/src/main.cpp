// The game client: a window with the tile map and the local player, whose
// every step is reported to the server. Escape ends it.
#include "game.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "platform/screen.h"

int main() {
  // Not checked: without a screen no image can be created, and start-up ends
  // with the image message.
  OpenScreen(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, SCREEN_FLAG_BORDERLESS);
  Game game;
  Game_Start(game, SERVER_HOST, SERVER_PORT);
  FrameTimer timer;
  while (!IsKeyDown(SC_ESCAPE)) {
    Game_RunFrame(game, timer);
    PaceFrame(timer);
  }
  // The connection and the images are left to the engine's clean-up and the
  // end of the process.
  EndProgram(0);
}
