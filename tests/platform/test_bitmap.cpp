#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/screen.h"
#include "platform_testing.h"
#include "support/bmp.h"
#include "support/temp_dir.h"

namespace {

constexpr int WIDTH = 5;  // odd, so rows of every depth need padding
constexpr int HEIGHT = 3;

struct BitmapTest : ::testing::Test {
  TempDir dir;
  void SetUp() override { Screen_OpenInMemory(64, 64); }
  void TearDown() override { Screen_Close(); }
};

// A picture in at most `colours` colours whose rows all differ and read
// differently backwards, so a flipped or mirrored decode cannot pass.
std::vector<Colour> Picture(int colours) {
  const Colour palette[] = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                            0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF, 0xFF848484, 0xFF008400};
  std::vector<Colour> pixels;
  std::uint32_t seed = 1;
  for (int i = 0; i < WIDTH * HEIGHT; ++i) {
    seed = seed * 1103515245u + 12345u;
    pixels.push_back(palette[(seed >> 16) % colours]);
  }
  return pixels;
}

bool Colour_Near(Colour a, Colour b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (difference > tolerance || difference < -tolerance) return false;
  }
  return true;
}

TEST_F(BitmapTest, EveryDepthAndRowOrderShowsItsOwnColours) {
  const struct {
    int bits, colours;
  } depths[] = {{1, 2}, {4, 10}, {8, 10}, {16, 10}, {24, 10}, {32, 10}};
  for (const auto& depth : depths) {
    for (bool top_down : {false, true}) {
      std::vector<Colour> expected = Picture(depth.colours);
      std::string path = dir.File("picture.bmp");
      Bmp_Write(path, WIDTH, HEIGHT, depth.bits, top_down, expected);
      Image* image = CreateImage(WIDTH, HEIGHT);
      ASSERT_EQ(LoadBitmapImage(path.c_str(), image), 0) << depth.bits << " bits";
      // 5-bit channels widen to 8 bits by more than one rule; allow the
      // difference between them, but not a wrong colour or row.
      int tolerance = depth.bits == 16 ? 2 : 0;
      for (int i = 0; i < WIDTH * HEIGHT; ++i) {
        EXPECT_TRUE(Colour_Near(image->pixels[i], expected[i], tolerance))
            << depth.bits << " bits, top-down " << top_down << ", pixel " << i << ": " << std::hex
            << image->pixels[i] << " for " << expected[i];
      }
    }
  }
}

TEST_F(BitmapTest, ThirtyTwoBitAlphaIsKeptAndMagentaStaysTransparent) {
  std::vector<Colour> pixels = {0x00FF00FF, 0x80123456, 0xFFABCDEF, 0x01FF00FF};
  Bmp_Write(dir.File("alpha.bmp"), 2, 2, 32, false, pixels);
  Image* image = CreateImage(2, 2);
  ASSERT_EQ(LoadBitmapImage(dir.File("alpha.bmp").c_str(), image), 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(image->pixels[i] & 0xFFFFFF, pixels[i] & 0xFFFFFF) << i;
  }
  DrawFilledBox(0, 0, 1, 1, 0xFFFFFFFF);
  DrawImageTransparent(0, 0, image);
  EXPECT_EQ(Screen_Pixels()[0], 0xFFFFFFFFu);
  EXPECT_EQ(Screen_Pixels()[64 + 1], 0xFFFFFFFFu);
}

TEST_F(BitmapTest, FillsFromTheTopLeftAndClipsToTheImage) {
  std::vector<Colour> pixels = Picture(10);
  Bmp_Write(dir.File("p.bmp"), WIDTH, HEIGHT, 24, false, pixels);
  Image* larger = CreateImage(WIDTH + 2, HEIGHT + 1);
  ASSERT_EQ(LoadBitmapImage(dir.File("p.bmp").c_str(), larger), 0);
  EXPECT_EQ(larger->pixels[0], pixels[0]);
  EXPECT_EQ(larger->pixels[(HEIGHT - 1) * (WIDTH + 2) + WIDTH - 1], pixels.back());
  EXPECT_EQ(larger->pixels[WIDTH], FRESH_IMAGE_COLOUR);
  EXPECT_EQ(larger->pixels.back(), FRESH_IMAGE_COLOUR);
  Image* smaller = CreateImage(2, 2);
  ASSERT_EQ(LoadBitmapImage(dir.File("p.bmp").c_str(), smaller), 0);
  EXPECT_EQ(smaller->pixels, (std::vector<Colour>{pixels[0], pixels[1], pixels[5], pixels[6]}));
}

TEST_F(BitmapTest, BackslashPathsLoad) {
  Bmp_Write(dir.File("p.bmp"), WIDTH, HEIGHT, 8, false, Picture(10));
  Image* image = CreateImage(WIDTH, HEIGHT);
  std::string windows_path = dir.path + "\\p.bmp";
  EXPECT_EQ(LoadBitmapImage(windows_path.c_str(), image), 0);
  EXPECT_EQ(image->pixels, Picture(10));
}

TEST_F(BitmapTest, BadFilesFailAndLeaveTheImageUntouched) {
  std::string whole = Bmp_Bytes(WIDTH, HEIGHT, 24, false, Picture(10));
  std::string huge = whole;
  huge[20] = 0x01;  // width 65536 + 5: more than any image may have
  const std::pair<const char*, std::string> files[] = {
      {"truncated", whole.substr(0, whole.size() - 10)},
      {"header only", whole.substr(0, 30)},
      {"garbage", std::string(200, '\x5A')},
      {"empty", ""},
      {"huge", huge},
  };
  Image* image = CreateImage(WIDTH, HEIGHT);
  for (const auto& [name, bytes] : files) {
    File_Write(dir.File("bad.bmp"), bytes);
    EXPECT_NE(LoadBitmapImage(dir.File("bad.bmp").c_str(), image), 0) << name;
    EXPECT_EQ(image->pixels, std::vector<Colour>(WIDTH * HEIGHT, FRESH_IMAGE_COLOUR)) << name;
  }
  EXPECT_NE(LoadBitmapImage(dir.File("absent.bmp").c_str(), image), 0);
  EXPECT_NE(LoadBitmapImage(dir.File("bad.bmp").c_str(), nullptr), 0);
}

}  // namespace
