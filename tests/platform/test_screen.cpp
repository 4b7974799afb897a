#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/screen.h"
#include "platform_testing.h"

namespace {

constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;
constexpr Colour WHITE = 0xFFFFFFFF;
constexpr Colour RED = 0xFFFF0000;

struct ScreenTest : ::testing::Test {
  void SetUp() override { Screen_OpenInMemory(WIDTH, HEIGHT); }
  void TearDown() override { Screen_Close(); }

  static Colour At(int x, int y) { return Screen_Pixels()[y * Screen_Width() + x]; }
  static int Count(Colour colour) {
    int count = 0;
    for (int i = 0; i < Screen_Width() * Screen_Height(); ++i)
      count += Screen_Pixels()[i] == colour;
    return count;
  }
  // A w x h image of one colour.
  static Image* Solid(int w, int h, Colour colour) {
    Image* image = CreateImage(w, h);
    for (Colour& pixel : image->pixels) pixel = colour;
    return image;
  }
};

TEST(ScreenClosed, NoImagesWithoutAScreen) {
  Screen_Close();
  EXPECT_EQ(CreateImage(25, 25), nullptr);
  DrawFilledBox(0, 0, 10, 10, WHITE);  // nothing to draw on: must not crash
  DrawImageTransparent(0, 0, nullptr);
}

TEST_F(ScreenTest, ImageSidesFromOneToTheLimit) {
  EXPECT_EQ(CreateImage(0, 25), nullptr);
  EXPECT_EQ(CreateImage(25, 0), nullptr);
  EXPECT_EQ(CreateImage(-1, 25), nullptr);
  EXPECT_EQ(CreateImage(MAX_IMAGE_SIDE + 1, 1), nullptr);
  EXPECT_EQ(CreateImage(1, INT_MAX), nullptr);
  Image* widest = CreateImage(MAX_IMAGE_SIDE, 1);
  ASSERT_NE(widest, nullptr);
  Image* image = CreateImage(3, 2);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels, std::vector<Colour>(6, FRESH_IMAGE_COLOUR));
}

TEST_F(ScreenTest, MagentaIsTransparentWhateverItsAlphaOtherPixelsCopyAllBits) {
  Image* image = CreateImage(5, 1);
  image->pixels = {0x00FF00FF, 0x7FFF00FF, 0xFFFF00FF, 0xFFFE00FF, 0x12345678};
  DrawFilledBox(0, 0, WIDTH - 1, HEIGHT - 1, WHITE);
  DrawImageTransparent(10, 20, image);
  EXPECT_EQ(At(10, 20), WHITE);
  EXPECT_EQ(At(11, 20), WHITE);
  EXPECT_EQ(At(12, 20), WHITE);
  EXPECT_EQ(At(13, 20), 0xFFFE00FFu);
  EXPECT_EQ(At(14, 20), 0x12345678u);
  EXPECT_EQ(Count(WHITE), WIDTH * HEIGHT - 2);
}

TEST_F(ScreenTest, ImagesClipAtEveryEdge) {
  Image* image = Solid(4, 4, RED);
  struct Case {
    int x, y, visible;
  };
  const Case cases[] = {
      {-2, -2, 4},
      {WIDTH - 2, HEIGHT - 2, 4},
      {-3, 10, 4},
      {10, HEIGHT - 1, 4},
      {WIDTH, 0, 0},
      {0, HEIGHT, 0},
      {-4, 0, 0},
      {0, -4, 0},
      {INT_MAX, INT_MAX, 0},
      {INT_MIN, INT_MIN, 0},
      {INT_MAX - 1, 0, 0},
  };
  for (const Case& c : cases) {
    DrawFilledBox(0, 0, WIDTH - 1, HEIGHT - 1, 0);
    DrawImageTransparent(c.x, c.y, image);
    EXPECT_EQ(Count(RED), c.visible) << "at " << c.x << "," << c.y;
  }
  DrawFilledBox(0, 0, WIDTH - 1, HEIGHT - 1, 0);
  DrawImageTransparent(-2, -2, image);
  EXPECT_EQ(At(0, 0), RED);
  EXPECT_EQ(At(1, 1), RED);
  EXPECT_EQ(At(2, 0), 0u);
}

TEST_F(ScreenTest, EraseBoxCoversBothCornersTwentySixSquare) {
  DrawFilledBox(0, 0, WIDTH - 1, HEIGHT - 1, WHITE);
  DrawFilledBox(10, 10, 35, 35, 0);
  EXPECT_EQ(Count(0), 26 * 26);
  EXPECT_EQ(At(10, 10), 0u);
  EXPECT_EQ(At(35, 35), 0u);
  EXPECT_EQ(At(9, 10), WHITE);
  EXPECT_EQ(At(36, 35), WHITE);
  EXPECT_EQ(At(35, 36), WHITE);

  DrawFilledBox(0, 0, WIDTH - 1, HEIGHT - 1, WHITE);
  DrawFilledBox(35, 35, 10, 10, 0);
  EXPECT_EQ(Count(0), 26 * 26) << "corners in either order fill the same box";
}

TEST_F(ScreenTest, BoxesClipAtEveryEdge) {
  DrawFilledBox(-5, -5, 1, 1, RED);
  EXPECT_EQ(Count(RED), 4);
  DrawFilledBox(WIDTH - 2, HEIGHT - 2, INT_MAX, INT_MAX, WHITE);
  EXPECT_EQ(Count(WHITE), 4);
  DrawFilledBox(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0);
  EXPECT_EQ(Count(0), WIDTH * HEIGHT);
  DrawFilledBox(WIDTH, 0, WIDTH + 5, 5, RED);
  DrawFilledBox(-10, -10, -1, -1, RED);
  EXPECT_EQ(Count(RED), 0);
}

TEST_F(ScreenTest, OnlyTheOutermostUnlockShowsTheFrame) {
  int shown = Screen_ShowCount();
  LockScreen();
  LockScreen();
  DrawFilledBox(0, 0, 3, 3, WHITE);
  UnlockScreen();
  EXPECT_EQ(Screen_LockDepth(), 1);
  EXPECT_EQ(Screen_ShowCount(), shown) << "a half-drawn frame was shown";
  UnlockScreen();
  EXPECT_EQ(Screen_LockDepth(), 0);
  EXPECT_EQ(Screen_ShowCount(), shown + 1);
  DrawFilledBox(0, 0, 3, 3, RED);
  EXPECT_EQ(Screen_ShowCount(), shown + 2) << "drawing outside a frame shows at once";
  UnlockScreen();
  EXPECT_EQ(Screen_LockDepth(), 0) << "an unmatched unlock never goes below zero";
}

// The first row of the text band drawn by the last PrintLine, found as the
// topmost row whose first pixel the band cleared from red to black.
int LastLineTop() {
  for (int y = 0; y < Screen_Height(); ++y) {
    if (Screen_Pixels()[y * Screen_Width()] == 0) return y;
  }
  return -1;
}

TEST(ScreenText, LinesGoDownAndWrapToTheTop) {
  Screen_OpenInMemory(200, 120);
  std::vector<int> tops;
  for (int i = 0; i < 20; ++i) {
    DrawFilledBox(0, 0, 199, 119, RED);
    PrintLine("line " + std::to_string(i));
    tops.push_back(LastLineTop());
  }
  EXPECT_EQ(tops[0], 0);
  EXPECT_GT(tops[1], tops[0]);
  int lit = 0;  // the last line's glyphs, light on the band's black
  for (int i = tops[19] * 200; i < (tops[19] + 10) * 200; ++i) lit += Screen_Pixels()[i] == WHITE;
  EXPECT_GT(lit, 10) << "no text was drawn";
  int wrap = 1;
  while (wrap < 20 && tops[wrap] > tops[wrap - 1]) ++wrap;
  ASSERT_LT(wrap, 20) << "the cursor never came back to the top";
  EXPECT_EQ(tops[wrap], 0);
  EXPECT_LE(tops[wrap - 1] + tops[1], 120) << "the last line before the wrap fits";
  Screen_Close();
}

// Status text: light on black inside its own band from (x, y), clipped at the
// edges (a line wider than the screen from its left edge, one past its bottom),
// the picture elsewhere untouched and the console lines' cursor left alone.
TEST(ScreenText, TextAtAPlaceStaysInItsBandAndLeavesTheCursor) {
  Screen_OpenInMemory(200, 120);
  DrawFilledBox(0, 0, 199, 119, RED);
  const int height = TextLineHeight();
  ASSERT_GT(height, 0);
  DrawTextAt(30, 50, "Lost the game");
  DrawTextAt(0, 115, std::string(100, 'W'));
  int lit = 0;
  int touched_outside = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) {
      const Colour pixel = Screen_Pixels()[y * 200 + x];
      const bool in_band = (x >= 30 && y >= 50 && y < 50 + height) || y >= 115;
      lit += in_band && pixel == WHITE;
      touched_outside += !in_band && pixel != RED;
    }
  }
  EXPECT_GT(lit, 20) << "no text was drawn";
  EXPECT_EQ(touched_outside, 0);
  PrintLine("first");
  EXPECT_EQ(LastLineTop(), 0) << "the status text moved the console lines' cursor";
  Screen_Close();
}

// Labels: the text in its own colour on black, exactly the box LabelSize
// gives (no taller than a status line, wider for a longer text), clipped at
// the right edge, nothing for a corner left of the screen; the picture
// elsewhere untouched.
TEST(ScreenText, LabelsFillTheirOwnBoxInTheirOwnColour) {
  constexpr Colour SKY = 0xFF56B4E9;
  Screen_OpenInMemory(200, 120);
  DrawFilledBox(0, 0, 199, 119, RED);
  const TextSize size = LabelSize("Sam (2)");
  ASSERT_GT(size.width, 0);
  EXPECT_LE(size.height, TextLineHeight());
  EXPECT_GT(LabelSize("Sam (22)").width, size.width);
  EXPECT_EQ(LabelSize("").width, 0);
  DrawLabelAt(20, 10, "Sam (2)", SKY);
  DrawLabelAt(190, 60, "Sam (2)", SKY);
  DrawLabelAt(-1, 90, "Sam", SKY);
  int ink = 0;
  int red_inside = 0;
  int touched_outside = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) {
      const Colour pixel = Screen_Pixels()[y * 200 + x];
      const bool first = x >= 20 && x < 20 + size.width && y >= 10 && y < 10 + size.height;
      const bool clipped = x >= 190 && y >= 60 && y < 60 + size.height;
      ink += first && pixel == SKY;
      red_inside += (first || clipped) && pixel == RED;
      touched_outside += !first && !clipped && pixel != RED;
    }
  }
  EXPECT_GT(ink, 20) << "no text in the label's colour";
  EXPECT_EQ(red_inside, 0) << "the label's box is not its own";
  EXPECT_EQ(touched_outside, 0);
  Screen_Close();
}

}  // namespace
