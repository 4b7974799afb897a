#include "os_thread.h"

#include <linux/futex.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

static_assert(sizeof(pthread_t) <= sizeof(std::uintptr_t), "pthread_t must fit the handle");

namespace {

struct StartRequest {
  OsThreadFunction function = nullptr;
  std::uint32_t argument = 0;
};

void* RunThread(void* raw) {
  StartRequest request = *static_cast<StartRequest*>(raw);
  delete static_cast<StartRequest*>(raw);
  request.function(request.argument);
  return nullptr;
}

// Engine threads take no asynchronous signals: a stop signal belongs to the
// program's own threads, where its handler can act, and a thread parked in a
// futex wait for minutes would only hold it back. Faults still reach the
// thread that causes them.
sigset_t EngineThreadSignalMask() {
  sigset_t mask;
  sigfillset(&mask);
  for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP}) sigdelset(&mask, fault);
  return mask;
}

// The futex itself: the standard library's atomic wait first spins with
// sched_yield, which on a busy machine hands the processor away on every
// contended take. Private: no other process shares these words.
int* FutexWord(std::atomic<int>& value) {
  static_assert(sizeof(std::atomic<int>) == sizeof(int), "the futex word is the atomic itself");
  return reinterpret_cast<int*>(&value);
}

}  // namespace

// Returns early on a signal or a changed value; callers look again.
void OsAtomic_Wait(std::atomic<int>& value, int expected) {
  syscall(SYS_futex, FutexWord(value), FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void OsAtomic_Notify(std::atomic<int>& value) {
  syscall(SYS_futex, FutexWord(value), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

bool OsThread_Start(OsThread& thread, OsThreadFunction function, std::uint32_t argument,
                    std::size_t stack_bytes) {
  thread = OsThread{};
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_attr_setstacksize(&attributes, stack_bytes);
  auto* request = new StartRequest{function, argument};
  pthread_t handle{};
  // The new thread inherits the creator's mask, so block around the creation.
  const sigset_t engine_mask = EngineThreadSignalMask();
  sigset_t creator_mask;
  pthread_sigmask(SIG_SETMASK, &engine_mask, &creator_mask);
  int failed = pthread_create(&handle, &attributes, RunThread, request);
  pthread_sigmask(SIG_SETMASK, &creator_mask, nullptr);
  pthread_attr_destroy(&attributes);
  if (failed != 0) {
    delete request;
    return false;
  }
  std::memcpy(&thread.handle, &handle, sizeof handle);
  thread.started = true;
  return true;
}

void OsThread_Join(OsThread& thread) {
  if (!thread.started) return;
  pthread_t handle{};
  std::memcpy(&handle, &thread.handle, sizeof handle);
  pthread_join(handle, nullptr);
  thread = OsThread{};
}

void OsThread_SleepMs(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
