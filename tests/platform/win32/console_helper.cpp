// Child program for the Windows console checks (console_check.sh): each mode
// uses the console services the way a program started in that setting would.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"

namespace {

constexpr int PRINT_THREADS = 8;
constexpr int PRINT_LINES_PER_THREAD = 300;
constexpr double KEY_LOOP_SECONDS = 30.0;

// Many threads print at once; every line must come out whole.
int Mode_Print() {
  std::vector<std::thread> threads;
  for (int t = 0; t < PRINT_THREADS; ++t) {
    threads.emplace_back([t] {
      for (int n = 0; n < PRINT_LINES_PER_THREAD; ++n) {
        PrintLine("line " + std::to_string(t) + " " + std::to_string(n) + " " +
                  std::string(100, static_cast<char>('a' + t)) + " end");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  return 0;
}

// Without a console: no key is down and waiting returns at once.
int Mode_NoKeys() {
  double start = TimerSeconds();
  bool down = IsKeyDown(SC_ESCAPE) || IsKeyDown(SC_W);
  WaitForKey();
  SleepMs(-1);
  int waited_ms = static_cast<int>((TimerSeconds() - start) * 1000);
  PrintLine("down=" + std::to_string(down ? 1 : 0) + " waited_ms=" + std::to_string(waited_ms));
  return 0;
}

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

// Waits for a key, then checks that the key is still in the input.
int Mode_WaitKey() {
  PrintLine("WAITING");
  WaitForKey();
  PrintLine("GOT KEY");
  if (IsKeyDown(SC_A)) PrintLine("A STILL THERE");
  EndProgram(0);
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "print") return Mode_Print();
  if (mode == "nokeys") return Mode_NoKeys();
  if (mode == "keys") return Mode_Keys("");
  if (mode == "ctrl-c" || mode == "ctrl-break") return Mode_Keys(mode);
  if (mode == "waitkey") return Mode_WaitKey();
  std::fprintf(stderr, "usage: %s print|nokeys|keys|ctrl-c|ctrl-break|waitkey\n", argv[0]);
  return 2;
}
