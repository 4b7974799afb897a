// How the server's start-up ends, told on the console and, for a launcher
// that must not start a client against a server that is not there, in a file.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "game/command_line.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "server.h"

namespace {

std::string ready_file;  // empty: nobody asked

// Written beside the file and renamed over it, so a launcher polling for the
// file never reads half a line.
void ReadyFile_Write(std::string_view line) {
  if (ready_file.empty()) return;
  const std::filesystem::path path(ready_file);
  std::filesystem::path partial = path;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << line << '\n';
    if (!out.flush()) return;
  }
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (error) std::filesystem::remove(partial, error);
}

}  // namespace

bool StartUp_ParseOptions(int argc, char** argv, ServerCommandLine& command_line) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--lan") {
      command_line.lan = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string_view value = argv[++i];
    if (name == "--port") {
      if (!Port_Parse(value, command_line.port)) return false;
    } else if (name == "--ready-file" && !value.empty()) {
      ready_file = value;
    } else {
      return false;
    }
  }
  return true;
}

void StartUp_Ready() {
  ReadyFile_Write(READY_LINE);
}

void StartUp_Fail(std::string_view line) {
  PrintLine(line);
  ReadyFile_Write(line);
  WaitForKey();
  EndProgram(EXIT_FATAL);
}
