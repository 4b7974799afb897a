#include "platform/console.h"
#include "platform/keys.h"
#include "server.h"

void LoadServerMap() {
  if (ReadMapFile(MAP_PATH, serverState.tiles.data())) return;
  PrintLine(LINE_MAP_ERROR);
  WaitForKey();
  EndProgram(EXIT_FATAL);
}
