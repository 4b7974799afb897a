// Clock and pauses.
#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "input.h"
#include "platform/keys.h"

namespace {

// Longer pauses are cut into steps so a key press ends them early.
constexpr int SLEEP_STEP_MS = 50;
constexpr int SHORTEST_INTERRUPTIBLE_SLEEP_MS = 100;

void Thread_SleepMs(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

double TimerSeconds() {
  auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(since_start).count();
}

void SleepMs(int milliseconds) {
  if (milliseconds == -1) {
    WaitForKey();
    return;
  }
  if (milliseconds <= 0) return;
  if (milliseconds < SHORTEST_INTERRUPTIBLE_SLEEP_MS) {
    Thread_SleepMs(milliseconds);
    return;
  }
  for (int left = milliseconds; left > 0; left -= SLEEP_STEP_MS) {
    if (Keys_PressWaiting()) return;
    Thread_SleepMs(std::min(left, SLEEP_STEP_MS));
  }
}
