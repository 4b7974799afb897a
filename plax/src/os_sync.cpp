// The parts of the thread layer that are the same on every platform:
// semaphores and wake-ups on top of OsAtomic_Wait, the clock and the choice
// of thread starter.
#include <atomic>
#include <chrono>

#include "os_thread.h"

std::atomic<OsThreadStarter> OsThread_Starter{OsThread_Start};

// The count is 1 while free, 0 while held and -1 while held with a taker
// possibly asleep. Only a release that finds -1 calls into the kernel, so an
// uncontended take and release stay two atomic operations; a contended take
// marks -1 before it sleeps, and keeps marking -1 when it wins, since others
// may still be asleep behind it.
void OsSemaphore_Take(OsSemaphore& semaphore) {
  int seen = 1;
  if (semaphore.count.compare_exchange_strong(seen, 0, std::memory_order_acquire)) return;
  if (seen != -1) seen = semaphore.count.exchange(-1, std::memory_order_acquire);
  while (seen != 1) {
    OsAtomic_Wait(semaphore.count, -1);
    seen = semaphore.count.exchange(-1, std::memory_order_acquire);
  }
}

bool OsSemaphore_TryTake(OsSemaphore& semaphore) {
  int free = 1;
  return semaphore.count.compare_exchange_strong(free, 0, std::memory_order_acquire);
}

void OsSemaphore_Release(OsSemaphore& semaphore) {
  if (semaphore.count.exchange(1, std::memory_order_release) == -1) {
    OsAtomic_Notify(semaphore.count);
  }
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
