// Pauses: short ones in one piece, long ones cut short by a key press.
#include <algorithm>

#include "input.h"
#include "pause.h"
#include "platform/clock.h"
#include "platform/keys.h"

namespace {

// Longer pauses are cut into steps so a key press ends them early.
constexpr int SLEEP_STEP_MS = 50;
constexpr int SHORTEST_INTERRUPTIBLE_SLEEP_MS = 100;

}  // namespace

void SleepMs(int milliseconds) {
  if (milliseconds == -1) {
    WaitForKey();
    return;
  }
  if (milliseconds <= 0) return;
  if (milliseconds < SHORTEST_INTERRUPTIBLE_SLEEP_MS) {
    Pause_Ms(milliseconds);
    return;
  }
  for (int left = milliseconds; left > 0; left -= SLEEP_STEP_MS) {
    if (Keys_PressWaiting()) return;
    Pause_Ms(std::min(left, SLEEP_STEP_MS));
  }
}
