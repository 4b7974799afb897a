// Ctrl+C, Ctrl+Break and closing the console window as a request to stop. The
// handler only records it, as a signal handler does on other systems, and the
// program ends through its normal path (exit code 0, connections closed).
#include <windows.h>

#include <atomic>

#include "console_keys.h"
#include "stop_request.h"

namespace {

std::atomic<bool> stop_requested{false};

// A log-off reaches only programs run as a service, and there it means some
// user logged off, not that this program should end: it is left alone.
bool Event_IsStop(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return true;
    default:
      return false;
  }
}

// Runs on a thread of its own. Windows ends the process as soon as this
// returns from a close or shutdown: for those it waits here while
// the main thread cleans up and exits (which ends this thread too); Windows
// still ends a program that takes too long.
BOOL WINAPI Console_OnControl(DWORD event) {
  if (!Event_IsStop(event)) return FALSE;
  if (stop_requested.exchange(true)) {
    // A second request: the program has stopped looking; let Windows end it.
    ConsoleKeys_Restore();
    return FALSE;
  }
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void StopRequest_Install() {
  SetConsoleCtrlHandler(Console_OnControl, TRUE);
}

bool StopRequest_Pending() {
  return stop_requested.load();
}
