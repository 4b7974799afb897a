// Pauses and key numbers, the same on every OS.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/keys.h"

namespace {

TEST(Clock, ShortAndNegativePausesReturnAtOnceOthersPause) {
  double start = TimerSeconds();
  SleepMs(0);
  SleepMs(-5);
  SleepMs(-100000);
  double after_instant = TimerSeconds();
  SleepMs(30);
  double after_pause = TimerSeconds();
  EXPECT_LT(after_instant - start, 0.02);
  EXPECT_GE(after_pause - after_instant, 0.029);
}

TEST(Keys, ScancodesOutsideTheTableAreNeverDown) {
  EXPECT_FALSE(IsKeyDown(200));
  EXPECT_FALSE(IsKeyDown(128));
  EXPECT_FALSE(IsKeyDown(-1));
}

}  // namespace
