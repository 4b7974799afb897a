// Threads, semaphores and the clock as the engine needs them, kept apart from
// the engine logic so that only the thread layer sees the threading headers:
// os_thread_posix.cpp or os_thread_win32.cpp starts and joins threads,
// os_sync.cpp holds what standard C++ offers everywhere.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// One holder at a time, not recursive, and releasable by a thread other than
// the one that took it (the reaper's start handshake depends on that): a
// binary semaphore. Built on a plain atomic so that it is constant-
// initialised: it exists before any static constructor runs and outlives
// every static destructor.
struct OsSemaphore {
  std::atomic<int> count{1};  // 1 free, 0 held, -1 held with takers maybe asleep
};

// Blocks while `value` still holds `expected`, until an OsAtomic_Notify on it;
// may also return early. The primitive under the semaphores and wake-ups,
// in the platform's file: the standard library's own atomic wait is not
// sound on every platform.
void OsAtomic_Wait(std::atomic<int>& value, int expected);
void OsAtomic_Notify(std::atomic<int>& value);

void OsSemaphore_Take(OsSemaphore& semaphore);
// Takes the semaphore only if it is free now; never waits.
bool OsSemaphore_TryTake(OsSemaphore& semaphore);
void OsSemaphore_Release(OsSemaphore& semaphore);

// A wake-up signal: Signal may be called any number of times before Wait;
// Wait returns at once if a signal is pending and consumes all of them.
struct OsWakeup {
  std::atomic<int> pending{0};
};

void OsWakeup_Signal(OsWakeup& wakeup);
void OsWakeup_Wait(OsWakeup& wakeup);

// A joinable thread; `started` is false if starting it failed.
struct OsThread {
  std::uintptr_t handle = 0;
  bool started = false;
};

using OsThreadFunction = void (*)(std::uint32_t argument);

// Starts `function(argument)` on a new thread with the given stack size.
bool OsThread_Start(OsThread& thread, OsThreadFunction function, std::uint32_t argument,
                    std::size_t stack_bytes);
// Waits for the thread to end and releases its handle; nothing for a thread
// that never started.
void OsThread_Join(OsThread& thread);
void OsThread_SleepMs(int milliseconds);

using OsThreadStarter = bool (*)(OsThread& thread, OsThreadFunction function,
                                 std::uint32_t argument, std::size_t stack_bytes);
// How the engine starts a connection's worker thread: OsThread_Start, unless
// a test has put a start that can fail in its place.
extern std::atomic<OsThreadStarter> OsThread_Starter;

// The next `count` worker starts fail as if the system had no room.
// Defined in the plax_testing library, which only tests link.
void OsThread_FailNextStarts(int count);

// Seconds since a fixed point in the past, from the monotonic clock.
double OsClock_Seconds();
