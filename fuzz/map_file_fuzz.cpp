// The map reader on arbitrary files: every tile code is the first byte of its
// 128-byte record, or 0 when the record starts at or past the end.
#include "fuzz_support.h"
#include "game/map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = WriteScratchFile(data, size);
  std::int8_t codes[MAP_TILE_COUNT] = {};
  FUZZ_CHECK(ReadMapFile(path, codes));
  for (int k = 0; k < MAP_TILE_COUNT; ++k) {
    const std::size_t offset = static_cast<std::size_t>(k) * MAP_RECORD_SIZE;
    const std::int8_t expected = offset < size ? static_cast<std::int8_t>(data[offset]) : 0;
    FUZZ_CHECK(codes[k] == expected);
  }
  return 0;
}
