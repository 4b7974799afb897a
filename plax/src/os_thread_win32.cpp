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

// One lock and one condition for every waiter: both need no constructor or
// destructor, so they work before the first static constructor and after the
// last static destructor, where the engine's start-up and clean-up run.
SRWLOCK g_wait_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_wait_condition = CONDITION_VARIABLE_INIT;

}  // namespace

// The value is checked under the lock that the notifier takes too, so a
// change cannot slip in between the check and the sleep.
void OsAtomic_Wait(std::atomic<int>& value, int expected) {
  AcquireSRWLockExclusive(&g_wait_lock);
  if (value.load(std::memory_order_relaxed) == expected) {
    SleepConditionVariableSRW(&g_wait_condition, &g_wait_lock, INFINITE, 0);
  }
  ReleaseSRWLockExclusive(&g_wait_lock);
}

// Every waiter shares the condition, so all wake and check their own value.
void OsAtomic_Notify(std::atomic<int>& /*value*/) {
  AcquireSRWLockExclusive(&g_wait_lock);
  ReleaseSRWLockExclusive(&g_wait_lock);
  WakeAllConditionVariable(&g_wait_condition);
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
