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

bool ReadyFile_Name(std::string_view value, ServerCommandLine&) {
  ready_file = value;
  return true;
}

// In the order of SERVER_USAGE.
constexpr CommandOption<ServerCommandLine> SERVER_OPTIONS[] = {
    {"--port", true, CommandOption_ReadPort<&ServerCommandLine::port>},
    {"--lan", false, CommandOption_SetFlag<&ServerCommandLine::lan>},
    {"--name", true, CommandOption_ReadText<&ServerCommandLine::gameName>},
    {"--verbose", false, CommandOption_SetFlag<&ServerCommandLine::verbose>},
    {"--ready-file", true, CommandOption_NotEmpty<ReadyFile_Name>},
};

}  // namespace

bool StartUp_ParseOptions(int argc, char** argv, ServerCommandLine& command_line) {
  return CommandLine_Parse(argc, argv, SERVER_OPTIONS, command_line);
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
