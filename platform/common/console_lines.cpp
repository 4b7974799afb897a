// Console lines, the end of the program and the console's preparation before
// main(), the same on every system; only the writing itself is the system's.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console_keys.h"
#include "console_output.h"
#include "input.h"
#include "platform/console.h"
#include "stop_request.h"

namespace {

// Runs before any ordinary static constructor (the engine's start-up opens
// sockets), hence the priority: the stop handler and standard output must be
// ready first.
struct ConsoleStartup {
  ConsoleStartup() { Console_Init(); }
};
ConsoleStartup console_startup __attribute__((init_priority(101)));

}  // namespace

void Console_Init() {
  static std::atomic<bool> done{false};
  if (done.exchange(true)) return;
  ConsoleOutput_Prepare();
  StopRequest_Install();
}

void Console_WriteLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  ConsoleOutput_WriteLine(std::move(line));
}

void PrintLine(std::string_view text) {
  Console_WriteLine(text);
  if (const WindowHooks* hooks = WindowHooks_Current()) hooks->print_line(text);
}

void EndProgram(int code) {
  std::fflush(nullptr);
  ConsoleKeys_Restore();
  std::exit(code);
}
