// Engine threads on Win32: started with the C runtime's _beginthreadex, so
// that the runtime's per-thread state is set up for them, and joined by
// waiting on their handle.
#include <windows.h>
// After windows.h, which it needs.
#include <process.h>

#include "os_thread.h"

namespace {

struct StartRequest {
  OsThreadFunction function = nullptr;
  std::uint32_t argument = 0;
};

unsigned __stdcall RunThread(void* raw) {
  StartRequest request = *static_cast<StartRequest*>(raw);
  delete static_cast<StartRequest*>(raw);
  request.function(request.argument);
  return 0;
}

// Waiters sleep in one of a few buckets chosen by the address they wait on,
// so that a release wakes only the threads that may care (a single shared
// condition would wake the sleeping reaper on every registry release). Lock
// and condition need no constructor or destructor, so they work before the
// first static constructor and after the last static destructor, where the
// engine's start-up and clean-up run.
struct WaitBucket {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};

constexpr std::size_t kWaitBuckets = 64;
WaitBucket g_wait_buckets[kWaitBuckets];

WaitBucket& BucketOf(const std::atomic<int>& value) {
  auto address = reinterpret_cast<std::uintptr_t>(&value);
  return g_wait_buckets[(address / sizeof(value)) % kWaitBuckets];
}

}  // namespace

// The value is checked under the lock that the notifier takes too, so a
// change cannot slip in between the check and the sleep.
void OsAtomic_Wait(std::atomic<int>& value, int expected) {
  WaitBucket& bucket = BucketOf(value);
  AcquireSRWLockExclusive(&bucket.lock);
  if (value.load(std::memory_order_relaxed) == expected) {
    SleepConditionVariableSRW(&bucket.condition, &bucket.lock, INFINITE, 0);
  }
  ReleaseSRWLockExclusive(&bucket.lock);
}

// Values that share a bucket share its condition: all its sleepers wake and
// look at their own value.
void OsAtomic_Notify(std::atomic<int>& value) {
  WaitBucket& bucket = BucketOf(value);
  AcquireSRWLockExclusive(&bucket.lock);
  ReleaseSRWLockExclusive(&bucket.lock);
  WakeAllConditionVariable(&bucket.condition);
}

bool OsThread_Start(OsThread& thread, OsThreadFunction function, std::uint32_t argument,
                    std::size_t stack_bytes) {
  thread = OsThread{};
  auto* request = new StartRequest{function, argument};
  // The size is the stack's reserve, its limit, as on POSIX; Windows commits
  // pages as the stack grows.
  std::uintptr_t handle = _beginthreadex(nullptr, static_cast<unsigned>(stack_bytes), RunThread,
                                         request, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (handle == 0) {
    delete request;
    return false;
  }
  thread.handle = handle;
  thread.started = true;
  return true;
}

void OsThread_Join(OsThread& thread) {
  if (!thread.started) return;
  HANDLE handle = reinterpret_cast<HANDLE>(thread.handle);
  WaitForSingleObject(handle, INFINITE);
  CloseHandle(handle);
  thread = OsThread{};
}

void OsThread_SleepMs(int milliseconds) {
  Sleep(static_cast<DWORD>(milliseconds));
}
