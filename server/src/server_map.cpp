#include "game/assets.h"
#include "game/map_file.h"
#include "game/texts.h"
#include "server.h"

void LoadServerMap() {
  if (ReadMapFile(MAP_PATH, serverState.tiles.data())) return;
  StartUp_Fail(MAP_MESSAGE);
}
