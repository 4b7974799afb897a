#include "support/programs.h"

#include <cstdlib>
#include <filesystem>
#include <set>

#include "support/ports.h"

namespace {

std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Socket inodes of this test's own descriptors.
std::set<unsigned long> OwnSockets() {
  std::set<unsigned long> inodes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    std::error_code link_error;
    const std::string link = std::filesystem::read_symlink(entry.path(), link_error).string();
    if (link.starts_with("socket:[")) inodes.insert(std::stoul(link.substr(8)));
  }
  return inodes;
}

}  // namespace

std::vector<std::string> GameProgram(const std::string& name, const std::string& built,
                                     const std::vector<std::string>& arguments) {
  const std::string windows_build = Setting("TILEGAME_WINDOWS_BUILD");
  std::vector<std::string> argv{built};
  if (!windows_build.empty()) {
    argv = {windows_build + "/wine-run", windows_build + "/bin/" + name + ".exe"};
  }
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

ChildOptions GameProgram_Options() {
  ChildOptions options;
  options.plain_line_ends = true;
  return options;
}

ProgramResult GameProgram_Run(const std::string& name, const std::string& built,
                              const std::vector<std::string>& arguments, double seconds) {
  const std::vector<std::string> argv = GameProgram(name, built, arguments);
  return RunProgram(argv[0], std::vector<std::string>(argv.begin() + 1, argv.end()), seconds,
                    GameProgram_Options());
}

bool GameProgram_UnderWine() {
  return !Setting("TILEGAME_WINDOWS_BUILD").empty();
}

void GameProgram_EndWine() {
  if (!GameProgram_UnderWine()) return;
  ChildOptions options;
  options.env = {"WINEPREFIX=" + Setting("TILEGAME_WINDOWS_BUILD") + "/wine-prefix"};
  RunProgram("wineserver", {"-k"}, 20.0, options);
}

bool GameProgram_Listening(const Child& program, int port) {
  if (GameProgram_UnderWine()) return PortListeningElsewhere(port);
  return PortListening(port, program.pid);
}

bool PortListeningElsewhere(int port) {
  const std::set<unsigned long> own = OwnSockets();
  for (const TcpRow& row : TcpTable_Read()) {
    if (row.local_port == static_cast<unsigned>(port) && row.state == TCP_STATE_LISTEN &&
        !own.contains(row.inode)) {
      return true;
    }
  }
  return false;
}
