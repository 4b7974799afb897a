// Fault injection for tests: worker starts that fail on request.
#include <atomic>

#include "os_thread.h"

namespace {

std::atomic<int> g_failing_starts{0};

bool ConsumeFailingStart() {
  int left = g_failing_starts.load();
  while (left > 0) {
    if (g_failing_starts.compare_exchange_weak(left, left - 1)) return true;
  }
  return false;
}

bool StartOrFail(OsThread& thread, OsThreadFunction function, std::uint32_t argument,
                 std::size_t stack_bytes) {
  if (!ConsumeFailingStart()) return OsThread_Start(thread, function, argument, stack_bytes);
  thread = OsThread{};
  return false;
}

}  // namespace

void OsThread_FailNextStarts(int count) {
  g_failing_starts.store(count);
  OsThread_Starter.store(StartOrFail);
}
