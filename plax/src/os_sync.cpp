// The parts of the thread layer that are the same on every platform:
// semaphores and wake-ups on top of OsAtomic_Wait, the clock and the choice
// of thread starter.
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
    OsAtomic_Wait(semaphore.count, 0);
  }
}

void OsSemaphore_Release(OsSemaphore& semaphore) {
  semaphore.count.fetch_add(1, std::memory_order_release);
  OsAtomic_Notify(semaphore.count);
}

void OsWakeup_Signal(OsWakeup& wakeup) {
  wakeup.pending.fetch_add(1, std::memory_order_release);
  OsAtomic_Notify(wakeup.pending);
}

void OsWakeup_Wait(OsWakeup& wakeup) {
  while (wakeup.pending.exchange(0, std::memory_order_acquire) == 0) {
    OsAtomic_Wait(wakeup.pending, 0);
  }
}

double OsClock_Seconds() {
  using Seconds = std::chrono::duration<double>;
  return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
