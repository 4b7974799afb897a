#include "game/map_file.h"

#include "platform/files.h"

bool ReadMapFile(const char* path, std::int8_t codes[MAP_TILE_COUNT]) {
  const int file = FreeFileNumber();
  if (file == 0 || OpenFileRead(path, file) != 0) return false;
  // One byte per record, in increasing offset order; a read past the end of
  // the file leaves the code untouched.
  for (int k = 0; k < MAP_TILE_COUNT; ++k) {
    const long position = static_cast<long>(k) * MAP_RECORD_SIZE + 1;
    ReadFileBytes(file, position, &codes[k], 1);
  }
  CloseFile(file);
  return true;
}
