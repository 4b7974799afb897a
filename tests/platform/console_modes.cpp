#include "console_modes.h"

#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"

namespace {

constexpr int PRINT_THREADS = 8;
constexpr int PRINT_LINES_PER_THREAD = 300;

}  // namespace

int ConsoleMode_Print() {
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

int ConsoleMode_NoKeys() {
  double start = TimerSeconds();
  bool down = IsKeyDown(SC_ESCAPE) || IsKeyDown(SC_W);
  WaitForKey();
  SleepMs(-1);
  int waited_ms = static_cast<int>((TimerSeconds() - start) * 1000);
  PrintLine("down=" + std::to_string(down ? 1 : 0) + " waited_ms=" + std::to_string(waited_ms));
  return 0;
}

void ConsoleMode_WaitKey() {
  PrintLine("WAITING");
  WaitForKey();
  PrintLine("GOT KEY");
  if (IsKeyDown(SC_A)) PrintLine("A STILL THERE");
  EndProgram(0);
}
