// Loading sprite files: the header probe, image creation and the set loader.
#include <gtest/gtest.h>

#include "client_test_support.h"
#include "game/tiles.h"
#include "platform/files.h"
#include "platform_testing.h"
#include "sprites.h"

namespace {

class SpritesTest : public ::testing::Test {
 protected:
  void SetUp() override { Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT); }
  ScratchDir dir;
};

BmpSize Probe(const std::string& bytes) {
  File_Write("probe.bmp", bytes);
  return ProbeBmpSize("probe.bmp");
}

TEST_F(SpritesTest, ProbeReadsWidthAndHeightFromTheHeader) {
  Bmp_Write("imgs/figure.bmp", 25, 25, [](int, int) { return 0x123456u; });
  const BmpSize size = ProbeBmpSize("imgs\\figure.bmp");
  EXPECT_EQ(size.width, 25);
  EXPECT_EQ(size.height, 25);
  // Little-endian fields at offsets 18 and 22.
  const BmpSize large = Probe(Bmp_Header(0x01020304, 0x00000A0B));
  EXPECT_EQ(large.width, 0x01020304);
  EXPECT_EQ(large.height, 0x0A0B);
}

TEST_F(SpritesTest, ProbeGivesZeroForFilesThatAreNotBitmaps) {
  std::string wrong_second = Bmp_Header(25, 25);
  wrong_second[1] = '?';
  std::string wrong_first = Bmp_Header(25, 25);
  wrong_first[0] = '?';
  for (const std::string& bytes : {wrong_second, wrong_first, std::string()}) {
    const BmpSize size = Probe(bytes);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
  }
  const BmpSize missing = ProbeBmpSize("imgs\\nothing.bmp");
  EXPECT_EQ(missing.width, 0);
  EXPECT_EQ(missing.height, 0);
}

TEST_F(SpritesTest, ProbeReadsMissingBytesOfAShortHeaderAsZero) {
  const BmpSize no_height = Probe(Bmp_Header(25, 25, 22));
  EXPECT_EQ(no_height.width, 25);
  EXPECT_EQ(no_height.height, 0);
  const BmpSize half_height = Probe(Bmp_Header(25, 0x7F000019, 24));
  EXPECT_EQ(half_height.height, 0x19);
  // The pixel data is missing: the image exists and stays transparent.
  EXPECT_NE(LoadSprite("probe.bmp"), nullptr);
  Probe(Bmp_Header(25, 25, 22));
  EXPECT_EQ(LoadSprite("probe.bmp"), nullptr);
}

TEST_F(SpritesTest, TopDownHeightIsNegativeAndGivesNoImage) {
  const BmpSize size = Probe(Bmp_Header(25, -25));
  EXPECT_EQ(size.height, -25);
  EXPECT_EQ(LoadSprite("probe.bmp"), nullptr);
}

TEST_F(SpritesTest, ProbeClosesItsFile) {
  Bmp_Write("a.bmp", 2, 2, [](int, int) { return 0u; });
  const int free_before = FreeFileNumber();
  for (int i = 0; i < MAX_FILE_NUMBER + 10; ++i) ProbeBmpSize("a.bmp");
  for (int i = 0; i < 10; ++i) ProbeBmpSize("missing.bmp");
  EXPECT_EQ(FreeFileNumber(), free_before);
}

TEST_F(SpritesTest, HugeHeaderIsRefusedLikeAMissingFile) {
  File_Write("huge.bmp", Bmp_Header(MAX_IMAGE_SIDE + 1, 25));
  EXPECT_EQ(LoadSprite("huge.bmp"), nullptr);
  File_Write("huge.bmp", Bmp_Header(60000, 60000));
  EXPECT_EQ(LoadSprite("huge.bmp"), nullptr);
}

TEST_F(SpritesTest, LoadedSpriteShowsItsColoursAndSkipsMagenta) {
  // Left half magenta, right half green; one pixel just off magenta.
  Bmp_Write("s.bmp", 4, 3, [](int x, int y) -> Colour {
    if (x == 0 && y == 2) return 0xFE00FF;
    return x < 2 ? TRANSPARENT_COLOUR : 0x00C000;
  });
  Image* image = LoadSprite("s.bmp");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 4);
  EXPECT_EQ(image->height, 3);
  DrawFilledBox(0, 0, 20, 20, 0x0000FF);
  DrawImageTransparent(10, 10, image);
  EXPECT_EQ(ScreenRgb(10, 10), 0x0000FFu);
  EXPECT_EQ(ScreenRgb(12, 10), 0x00C000u);
  EXPECT_EQ(ScreenRgb(10, 12), 0xFE00FFu);
}

TEST_F(SpritesTest, SetLoaderTriesEverySlotBeforeReportingAMissingOne) {
  const char* const paths[SPRITE_SET_SIZE] = {"i\\1.bmp", "i\\2.bmp", "i\\3.bmp", "i\\4.bmp",
                                              "i\\5.bmp", "i\\6.bmp", "i\\7.bmp", "i\\8.bmp"};
  for (int slot = 1; slot <= SPRITE_SET_SIZE; ++slot) {
    if (slot != 3)
      Bmp_Write("i/" + std::to_string(slot) + ".bmp", 2, 2, [](int, int) { return 0u; });
  }
  Image* images[SPRITE_SET_SIZE] = {};
  EXPECT_FALSE(SpriteSet_TryLoad(images, paths));
  EXPECT_EQ(images[2], nullptr);
  for (int slot : {0, 1, 3, 4, 5, 6, 7}) EXPECT_NE(images[slot], nullptr) << slot;
  Bmp_Write("i/3.bmp", 2, 2, [](int, int) { return 0u; });
  EXPECT_TRUE(SpriteSet_TryLoad(images, paths));
  // A header that claims a huge bitmap fails the set like a missing file.
  File_Write("i/8.bmp", Bmp_Header(5000, 5000));
  EXPECT_FALSE(SpriteSet_TryLoad(images, paths));
}

TEST_F(SpritesTest, FrameChoiceFollowsDirectionAndCounter) {
  Image* images[SPRITE_SET_SIZE] = {};
  for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) images[slot] = SolidImage(1, 1, slot);
  EXPECT_EQ(SpriteSet_Frame(images, DIR_UP, 0), images[0]);
  EXPECT_EQ(SpriteSet_Frame(images, DIR_RIGHT, 4), images[3]);
  EXPECT_EQ(SpriteSet_Frame(images, DIR_DOWN, 5), images[5]);
  EXPECT_EQ(SpriteSet_Frame(images, DIR_LEFT, 10), images[6]);
  EXPECT_EQ(SpriteSet_Frame(images, 4, 0), nullptr);
}

}  // namespace
