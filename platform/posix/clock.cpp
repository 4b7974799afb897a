// The clock and the pause on POSIX systems.
#include <chrono>
#include <thread>

#include "pause.h"
#include "platform/clock.h"

double TimerSeconds() {
  auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(since_start).count();
}

void Pause_Ms(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
