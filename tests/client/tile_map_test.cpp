// The tile map: reading the map file and drawing the tiles.
#include <gtest/gtest.h>

#include "client_test_support.h"
#include "platform/keys.h"
#include "platform_testing.h"
#include "tile_map.h"

namespace {

class TileMapTest : public ::testing::Test {
 protected:
  void SetUp() override { Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT); }
  void LoadFrom(const std::string& bytes) {
    File_Write("map/Map", bytes);
    map = TileMap{};
    TileMap_Load(map);
  }
  int CountNonZero() const {
    int count = 0;
    for (std::int8_t code : map.tiles) count += code != 0 ? 1 : 0;
    return count;
  }
  ScratchDir dir;
  TileMap map;
};

TEST_F(TileMapTest, RecordsRunColumnByColumn) {
  std::string bytes(MAP_TILE_COUNT * MAP_RECORD_SIZE, '\0');
  bytes[15 * MAP_RECORD_SIZE] = 4;  // the 16th record: column 2, row 1
  bytes[16 * MAP_RECORD_SIZE] = 8;  // column 2, row 2
  bytes[269 * MAP_RECORD_SIZE] = 6;
  bytes[15 * MAP_RECORD_SIZE + 1] = 3;  // the rest of a record is not read
  LoadFrom(bytes);
  EXPECT_EQ(map.tiles[MapIndex(2, 1)], 4);
  EXPECT_EQ(map.tiles[MapIndex(2, 2)], 8);
  EXPECT_EQ(map.tiles[MapIndex(18, 15)], 6);
  EXPECT_EQ(CountNonZero(), 3);
}

TEST_F(TileMapTest, ShortFilesLeaveTheMissingTilesEmpty) {
  LoadFrom("");
  EXPECT_EQ(CountNonZero(), 0);
  LoadFrom(std::string(1, '\4') + std::string(127, '\0'));
  EXPECT_EQ(map.tiles[MapIndex(1, 1)], 4);
  EXPECT_EQ(CountNonZero(), 1);
  LoadFrom(std::string(MAP_TILE_COUNT * MAP_RECORD_SIZE + 500, '\1'));
  EXPECT_EQ(CountNonZero(), MAP_TILE_COUNT);
  std::string high(MAP_RECORD_SIZE, '\0');
  high[0] = static_cast<char>(200);
  LoadFrom(high);
  EXPECT_EQ(map.tiles[0], -56);
}

TEST_F(TileMapTest, MissingMapFileEndsStartUpWithMinusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Keys_Press(SC_A);  // the key that ends the wait after the message
  EXPECT_EXIT(TileMap_Load(map), ExitedWithMinusOne, "");
}

TEST_F(TileMapTest, DrawsCodesOneToEightWithTheirImages) {
  for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) {
    map.tileImages[slot] = SolidImage(TILE_SIZE, TILE_SIZE, 0x10 * (slot + 1));
  }
  const std::int8_t codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 127, -1, -128};
  for (int row = 1; row <= 13; ++row) map.tiles[MapIndex(3, row)] = codes[row - 1];
  TileMap_Draw(map);
  for (int row = 1; row <= 13; ++row) {
    const int code = codes[row - 1];
    const Colour expected = code >= 1 && code <= 8 ? 0x10u * code : 0u;
    const int top = (row - 1) * TILE_SIZE;
    EXPECT_EQ(ScreenRgb(64, top), expected) << code;
    EXPECT_EQ(ScreenRgb(95, top + 31), expected) << code;
  }
  EXPECT_EQ(ScreenRgb(63, 40), 0u);
  EXPECT_EQ(ScreenRgb(96, 40), 0u);
}

}  // namespace
