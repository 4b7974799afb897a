// The window's key latch rules, shared by every window backend, fed through
// the test hooks as the event pumps feed them.
#include <gtest/gtest.h>

#include "input.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/screen.h"
#include "platform_testing.h"
#include "window_keys.h"

namespace {

struct WindowKeysTest : ::testing::Test {
  void SetUp() override { Screen_OpenInMemory(32, 32); }
  void TearDown() override { Screen_Close(); }
};

TEST_F(WindowKeysTest, AHeldKeyReadsDownUntilReleased) {
  Keys_Press(SC_W);
  EXPECT_TRUE(IsKeyDown(SC_W));
  EXPECT_TRUE(IsKeyDown(SC_W));
  EXPECT_FALSE(IsKeyDown(SC_A));
  Keys_Release(SC_W);
  EXPECT_FALSE(IsKeyDown(SC_W));
}

TEST_F(WindowKeysTest, ATapIsSeenOnceWithinTheNextWholeFrameThenLapses) {
  Keys_Press(SC_ESCAPE);
  Keys_Release(SC_ESCAPE);
  UnlockScreen();
  EXPECT_TRUE(IsKeyDown(SC_ESCAPE)) << "a tap in the last frame was lost";
  EXPECT_FALSE(IsKeyDown(SC_ESCAPE));

  Keys_Press(SC_D);  // as under a held W: D is not looked at for two frames
  Keys_Release(SC_D);
  UnlockScreen();
  UnlockScreen();
  EXPECT_FALSE(Keys_PressWaiting());
  EXPECT_FALSE(IsKeyDown(SC_D)) << "a key released a whole frame ago came back";

  Keys_Press(SC_W);
  for (int frame = 0; frame < 5; ++frame) {
    UnlockScreen();
    EXPECT_TRUE(IsKeyDown(SC_W)) << "a held key lapsed";
  }
  Keys_Release(SC_W);
  EXPECT_FALSE(IsKeyDown(SC_W));
}

// The player reads W, S, A, D and stops at the first one down, so a key
// pressed under a winning key is never looked at while the winner holds.
TEST_F(WindowKeysTest, AKeyHeldThroughAFrameUnderAWinnerLeavesNothingBehind) {
  Keys_Press(SC_W);
  Keys_Press(SC_S);
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_TRUE(IsKeyDown(SC_W));
    UnlockScreen();
  }
  Keys_Release(SC_S);
  Keys_Release(SC_W);
  EXPECT_FALSE(IsKeyDown(SC_W));
  EXPECT_FALSE(IsKeyDown(SC_S)) << "a key the last frames showed held came back as a step";

  // Pressed after a frame's look but before its showing: no look saw it yet.
  Keys_Press(SC_D);
  UnlockScreen();
  Keys_Release(SC_D);
  EXPECT_TRUE(IsKeyDown(SC_D)) << "a tap across one showing was lost";
  EXPECT_FALSE(IsKeyDown(SC_D));
}

TEST_F(WindowKeysTest, AnyKeyPressEndsAWaitEvenOneTheGameCannotName) {
  Keys_Press(-1);
  Keys_Release(-1);
  EXPECT_TRUE(Keys_PressWaiting());
  UnlockScreen();
  UnlockScreen();
  EXPECT_FALSE(Keys_PressWaiting()) << "an unnamed key never lapsed";
}

// Its key-ups go to the window that took the focus.
TEST_F(WindowKeysTest, LosingTheFocusReleasesEveryKeyButKeepsATapToBeSeen) {
  Keys_Press(SC_W);
  Keys_Press(SC_D);
  EXPECT_TRUE(IsKeyDown(SC_W));
  WindowKeys_ReleaseAll();
  EXPECT_FALSE(IsKeyDown(SC_W)) << "a key stayed held after the focus went";
  EXPECT_TRUE(IsKeyDown(SC_D)) << "a press nobody had looked at was lost";
  EXPECT_FALSE(IsKeyDown(SC_D));
}

TEST_F(WindowKeysTest, WaitingSeesAnEarlierPressAndLeavesIt) {
  Keys_Press(SC_S);
  Keys_Release(SC_S);
  double start = TimerSeconds();
  WaitForKey();
  SleepMs(-1);
  SleepMs(1000);
  EXPECT_LT(TimerSeconds() - start, 0.5);
  EXPECT_TRUE(IsKeyDown(SC_S)) << "waiting took the press out of the input";
}

}  // namespace
