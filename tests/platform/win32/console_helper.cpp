// Child program for the Windows console checks (console_check.sh): each mode
// uses the console services the way a program started in that setting would.
#include <windows.h>

#include <cstdio>
#include <string>

#include "console_modes.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"

namespace {

// Reports A as it arrives; Escape (or a stop request) ends the program. With
// an event name, first sends that console event to itself.
int Mode_Keys(const std::string& event) {
  if (!event.empty()) {
    DWORD control = event == "ctrl-c" ? CTRL_C_EVENT : CTRL_BREAK_EVENT;
    if (!GenerateConsoleCtrlEvent(control, 0)) PrintLine("NO CONSOLE EVENT");
  }
  double deadline = TimerSeconds() + KEY_LOOP_SECONDS;
  PrintLine("READY");
  while (TimerSeconds() < deadline) {
    if (IsKeyDown(SC_A)) PrintLine("KEY A");
    if (IsKeyDown(SC_ESCAPE)) {
      PrintLine("KEY ESCAPE");
      EndProgram(0);
    }
    SleepMs(10);
  }
  EndProgram(3);
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "print") return ConsoleMode_Print();
  if (mode == "nokeys") return ConsoleMode_NoKeys();
  if (mode == "keys") return Mode_Keys("");
  if (mode == "ctrl-c" || mode == "ctrl-break") return Mode_Keys(mode);
  if (mode == "waitkey") ConsoleMode_WaitKey();
  std::fprintf(stderr, "usage: %s print|nokeys|keys|ctrl-c|ctrl-break|waitkey\n", argv[0]);
  return 2;
}
