// How the server's start-up ends, told on the console and, for a launcher
// that must not start a client against a server that is not there, in a file.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

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

bool Port_Parse(std::string_view text, std::uint16_t& port) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < 1 || value > 65535) {
    return false;
  }
  port = static_cast<std::uint16_t>(value);
  return true;
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
