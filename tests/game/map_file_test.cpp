#include "game/map_file.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace {

using Codes = std::array<std::int8_t, MAP_TILE_COUNT>;

// Each test writes its map into a folder of its own.
class MapFileTest : public ::testing::Test {
 protected:
  // Writes map/Map and returns its path the way the programs spell it.
  std::string WriteMap(const std::string& bytes) {
    File_Write((dir_ / "map" / "Map").string(), bytes);
    return (dir_ / "map\\Map").string();
  }

  // A file of `records` whole records, each filled with `fill`.
  static std::string Records(int records, char fill = 0) {
    return std::string(static_cast<std::size_t>(records) * MAP_RECORD_SIZE, fill);
  }

  static void SetCode(std::string& file, int k, char code) {
    file[static_cast<std::size_t>(k) * MAP_RECORD_SIZE] = code;
  }

  TempDir folder_;
  std::filesystem::path dir_ = folder_.path;
};

TEST_F(MapFileTest, MissingFileFailsAndLeavesCodes) {
  Codes codes{};
  codes.fill(7);
  EXPECT_FALSE(ReadMapFile((dir_ / "map\\Map").string().c_str(), codes.data()));
  for (std::int8_t code : codes) EXPECT_EQ(code, 7);
}

TEST_F(MapFileTest, EmptyFileGivesAnEmptyMap) {
  Codes codes{};
  EXPECT_TRUE(ReadMapFile(WriteMap("").c_str(), codes.data()));
  for (std::int8_t code : codes) EXPECT_EQ(code, 0);
}

TEST_F(MapFileTest, ShortFilesFillOnlyTheRecordsInside) {
  Codes codes{};
  std::string one_record = Records(1);
  one_record[0] = 4;
  ASSERT_TRUE(ReadMapFile(WriteMap(one_record).c_str(), codes.data()));
  EXPECT_EQ(codes[MapIndex(1, 1)], 4);
  for (int k = 1; k < MAP_TILE_COUNT; ++k) EXPECT_EQ(codes[k], 0) << k;

  // 270 packed bytes: only offsets 0, 128 and 256 are record starts.
  std::string packed(MAP_TILE_COUNT, 9);
  packed[0] = 1;
  packed[128] = 2;
  packed[256] = 3;
  codes.fill(0);
  ASSERT_TRUE(ReadMapFile(WriteMap(packed).c_str(), codes.data()));
  EXPECT_EQ(codes[0], 1);
  EXPECT_EQ(codes[1], 2);
  EXPECT_EQ(codes[2], 3);
  for (int k = 3; k < MAP_TILE_COUNT; ++k) EXPECT_EQ(codes[k], 0) << k;
}

TEST_F(MapFileTest, TilesPastTheEndKeepTheirValue) {
  Codes codes{};
  codes.fill(6);
  std::string two_records = Records(2, 1);
  ASSERT_TRUE(ReadMapFile(WriteMap(two_records).c_str(), codes.data()));
  EXPECT_EQ(codes[0], 1);
  EXPECT_EQ(codes[1], 1);
  EXPECT_EQ(codes[2], 6);
  EXPECT_EQ(codes[MAP_TILE_COUNT - 1], 6);
}

TEST_F(MapFileTest, RecordsRunColumnByColumn) {
  std::string file = Records(MAP_TILE_COUNT);
  SetCode(file, 15, 7);
  SetCode(file, 16, 8);
  SetCode(file, MAP_TILE_COUNT - 1, 5);
  Codes codes{};
  ASSERT_TRUE(ReadMapFile(WriteMap(file).c_str(), codes.data()));
  EXPECT_EQ(codes[MapIndex(2, 1)], 7);
  EXPECT_EQ(codes[MapIndex(16, 1)], 0);
  EXPECT_EQ(codes[MapIndex(2, 2)], 8);
  EXPECT_EQ(codes[MapIndex(18, 15)], 5);
}

TEST_F(MapFileTest, CodesAreSignedBytes) {
  std::string file = Records(1);
  file[0] = static_cast<char>(200);
  Codes codes{};
  ASSERT_TRUE(ReadMapFile(WriteMap(file).c_str(), codes.data()));
  EXPECT_EQ(codes[0], -56);
}

TEST_F(MapFileTest, BytesBetweenAndAfterRecordsAreIgnored) {
  Codes codes{};
  ASSERT_TRUE(ReadMapFile(WriteMap(Records(MAP_TILE_COUNT, 1)).c_str(), codes.data()));
  for (std::int8_t code : codes) EXPECT_EQ(code, 1);

  std::string long_file = Records(MAP_TILE_COUNT + 30, 3);
  for (int k = 0; k < MAP_TILE_COUNT; ++k) SetCode(long_file, k, static_cast<char>(k % 9));
  ASSERT_TRUE(ReadMapFile(WriteMap(long_file).c_str(), codes.data()));
  for (int k = 0; k < MAP_TILE_COUNT; ++k) EXPECT_EQ(codes[k], k % 9) << k;
}

}  // namespace
