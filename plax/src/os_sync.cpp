// The parts of the thread layer that standard C++ covers on every platform:
// semaphores, wake-ups, the clock and the choice of thread starter.
#include <atomic>
#include <chrono>

#include "os_thread.h"

std::atomic<OsThreadStarter> OsThread_Starter{OsThread_Start};

void OsSemaphore_Take(OsSemaphore& semaphore) {
  for (;;) {
    int count = semaphore.count.load(std::memory_order_relaxed);
    if (count > 0) {
      if (semaphore.count.compare_exchange_weak(count, count - 1, std::memory_order_acquire)) {
        return;
      }
      continue;
    }
    semaphore.count.wait(0, std::memory_order_relaxed);
  }
}

void OsSemaphore_Release(OsSemaphore& semaphore) {
  semaphore.count.fetch_add(1, std::memory_order_release);
  semaphore.count.notify_one();
}

void OsWakeup_Signal(OsWakeup& wakeup) {
  wakeup.pending.fetch_add(1, std::memory_order_release);
  wakeup.pending.notify_one();
}

void OsWakeup_Wait(OsWakeup& wakeup) {
  while (wakeup.pending.exchange(0, std::memory_order_acquire) == 0) {
    wakeup.pending.wait(0, std::memory_order_relaxed);
  }
}

double OsClock_Seconds() {
  using Seconds = std::chrono::duration<double>;
  return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
