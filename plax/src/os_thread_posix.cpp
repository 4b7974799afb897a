#include "os_thread.h"

#include <pthread.h>
#include <signal.h>

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

}  // namespace

// A futex on Linux.
void OsAtomic_Wait(std::atomic<int>& value, int expected) {
  value.wait(expected, std::memory_order_relaxed);
}

void OsAtomic_Notify(std::atomic<int>& value) {
  value.notify_one();
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
