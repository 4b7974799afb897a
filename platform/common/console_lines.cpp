// Console lines and the end of the program, the same on every system; only
// the writing itself is the system's.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console_keys.h"
#include "console_output.h"
#include "input.h"
#include "platform/console.h"

void PrintLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  ConsoleOutput_WriteLine(std::move(line));
  if (const WindowHooks* hooks = WindowHooks_Current()) hooks->print_line(text);
}

void EndProgram(int code) {
  std::fflush(nullptr);
  ConsoleKeys_Restore();
  std::exit(code);
}
