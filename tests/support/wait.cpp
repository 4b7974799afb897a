#include "support/wait.h"

#include <thread>

namespace {

constexpr auto POLL_STEP = std::chrono::milliseconds(2);

}  // namespace

Deadline Deadline_In(double seconds) {
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
             std::chrono::duration<double>(seconds));
}

int Deadline_MsLeft(Deadline deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitUntil(const std::function<bool()>& condition, double seconds) {
  const Deadline deadline = Deadline_In(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(POLL_STEP);
  }
  return true;
}
