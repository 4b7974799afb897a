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

}  // namespace

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
