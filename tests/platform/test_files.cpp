#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "support/bmp.h"
#include "support/temp_dir.h"

namespace {

struct FilesTest : ::testing::Test {
  TempDir dir;
  void TearDown() override {
    for (int number = 1; number <= MAX_FILE_NUMBER; ++number) CloseFile(number);
  }
};

TEST_F(FilesTest, PositionsCountFromOneAsInABitmapHeader) {
  std::vector<std::uint32_t> pixels(25 * 7, 0xFF000000u);
  Bmp_Write(dir.File("sprite.bmp"), 25, 7, 24, false, pixels);
  int number = FreeFileNumber();
  ASSERT_EQ(OpenFileRead(dir.File("sprite.bmp").c_str(), number), 0);
  unsigned char b = 0, m = 0;
  ReadFileBytes(number, 0, &b, 1);
  ReadFileBytes(number, 0, &m, 1);
  EXPECT_EQ(b, 'B');
  EXPECT_EQ(m, 'M');
  std::int32_t width = 0, height = 0;
  ReadFileBytes(number, 19, &width, 4);
  SeekFile(number, 23);
  ReadFileBytes(number, 0, &height, 4);
  EXPECT_EQ(width, 25);
  EXPECT_EQ(height, 7);
}

TEST_F(FilesTest, AllNumbersInUseGivesZeroAndNumberZeroNeverOpens) {
  std::string path = dir.File("data");
  File_Write(path, "x");
  for (int i = 1; i <= MAX_FILE_NUMBER; ++i) {
    int number = FreeFileNumber();
    ASSERT_EQ(number, i);
    ASSERT_EQ(OpenFileRead(path.c_str(), number), 0);
  }
  EXPECT_EQ(FreeFileNumber(), 0);
  EXPECT_NE(OpenFileRead(path.c_str(), 0), 0);
  EXPECT_NE(OpenFileRead(path.c_str(), 256), 0);
  EXPECT_NE(OpenFileRead(path.c_str(), 7), 0) << "a number in use is refused";
  CloseFile(7);
  EXPECT_EQ(FreeFileNumber(), 7);
}

TEST_F(FilesTest, BackslashPathsOpenOnThisFileSystem) {
  std::filesystem::create_directories(dir.File("imgs/player"));
  File_Write(dir.File("imgs/player/PlayerUp1.bmp"), "BM");
  std::string windows_path = dir.path + "\\imgs\\player\\PlayerUp1.bmp";
  int number = FreeFileNumber();
  ASSERT_EQ(OpenFileRead(windows_path.c_str(), number), 0);
  char bytes[2] = {};
  ReadFileBytes(number, 1, bytes, 2);
  EXPECT_EQ(std::string(bytes, 2), "BM");
}

TEST_F(FilesTest, MissingFilesAndFoldersDoNotOpen) {
  int number = FreeFileNumber();
  EXPECT_NE(OpenFileRead(dir.File("absent").c_str(), number), 0);
  EXPECT_NE(OpenFileRead(dir.path.c_str(), number), 0) << "a folder is not a file to read";
  EXPECT_EQ(FreeFileNumber(), number) << "a failed open keeps the number free";
}

TEST_F(FilesTest, BytesThatCannotBeReadLeaveTheDestinationAlone) {
  File_Write(dir.File("short"), "abc");
  int number = FreeFileNumber();
  ASSERT_EQ(OpenFileRead(dir.File("short").c_str(), number), 0);
  char bytes[6];
  std::memcpy(bytes, "......", 6);
  ReadFileBytes(number, 2, bytes, 6);
  EXPECT_EQ(std::string(bytes, 6), "bc....") << "what was there is copied, the rest untouched";
  std::memcpy(bytes, "......", 6);
  ReadFileBytes(number, 100, bytes, 6);
  ReadFileBytes(number, -3, bytes, 6);
  ReadFileBytes(number + 1, 1, bytes, 6);
  CloseFile(number);
  ReadFileBytes(number, 1, bytes, 6);
  EXPECT_EQ(std::string(bytes, 6), "......");
}

TEST_F(FilesTest, ThreadsShareTheTableSafely) {
  std::string path = dir.File("shared");
  File_Write(path, "0123456789");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        int number = FreeFileNumber();
        // Another thread may take the same number first; then try again.
        if (number == 0 || OpenFileRead(path.c_str(), number) != 0) continue;
        char byte = 0;
        ReadFileBytes(number, 5, &byte, 1);
        if (byte != '4') ++failures[t];
        CloseFile(number);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
  EXPECT_EQ(FreeFileNumber(), 1);
}

}  // namespace
