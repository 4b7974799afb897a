#include "game/assets.h"
#include "game/map_file.h"
#include "game/texts.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "server.h"

void LoadServerMap() {
  if (ReadMapFile(MAP_PATH, serverState.tiles.data())) return;
  PrintLine(MAP_MESSAGE);
  WaitForKey();
  EndProgram(EXIT_FATAL);
}
