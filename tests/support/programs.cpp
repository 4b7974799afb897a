#include "support/programs.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
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

std::string WinePrefix() {
  return Setting("TILEGAME_WINDOWS_BUILD") + "/wine-prefix";
}

bool wine_session_booted = false;

// Wine boots a session (its services and desktop) with the first program
// that a fresh prefix server runs. A first program whose input is a terminal
// waits for that boot for ever, and the session's programs keep the first
// program's output open for as long as they live. So each test starts a
// session of its own (what an earlier test left behind has stalled new
// programs) with a program that does nothing and writes nowhere, and the
// server outlives the test's last program by half a minute.
void Wine_BootSession() {
  ChildOptions quiet;
  quiet.env = {"WINEPREFIX=" + WinePrefix()};
  quiet.output = ChildOutput::DevNull;
  quiet.keep_stderr = false;
  RunProgram("wineserver", {"-k"}, 20.0, quiet);
  RunProgram("wineserver", {"-p30"}, 20.0, quiet);
  RunProgram(Setting("TILEGAME_WINDOWS_BUILD") + "/wine-run", {"cmd", "/c", "exit"}, 60.0, quiet);
  wine_session_booted = true;
}

// True while the loopback is the only IPv4 interface up: what is sent here,
// broadcasts too, stays on this machine.
bool Network_OnlyLoopback() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool only_loopback = true;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    const bool ipv4_up = entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
                         (entry->ifa_flags & IFF_UP) != 0;
    if (ipv4_up && (entry->ifa_flags & IFF_LOOPBACK) == 0) only_loopback = false;
  }
  freeifaddrs(list);
  return only_loopback;
}

// A LAN client or bot told no host looks for the game by broadcasting on
// every interface. Tests send nothing that may leave the machine, so such a
// program runs only where the loopback is all there is, as in the network
// namespace of its own that scripts/test.sh runs the suites in; elsewhere a
// stand-in says why and fails (exit 97).
std::vector<std::string> Program_UnlessItSearchesAbroad(const std::string& name,
                                                        std::vector<std::string> argv) {
  const auto has = [&](const char* option) {
    return std::find(argv.begin(), argv.end(), option) != argv.end();
  };
  if (name == "server" || !has("--lan") || has("--host") || Network_OnlyLoopback()) return argv;
  return {"/bin/sh", "-c", "echo \"$0\" >&2; exit 97",
          name +
              " --lan without --host would broadcast beyond this machine: run the suite in "
              "a network namespace of its own with only its loopback (scripts/test.sh does)"};
}

}  // namespace

std::vector<std::string> GameProgram(const std::string& name, const std::string& built,
                                     const std::vector<std::string>& arguments) {
  const std::string windows_build = Setting("TILEGAME_WINDOWS_BUILD");
  std::vector<std::string> argv{built};
  if (!windows_build.empty()) {
    if (!wine_session_booted) Wine_BootSession();
    argv = {windows_build + "/wine-run", windows_build + "/bin/" + name + ".exe"};
  }
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return Program_UnlessItSearchesAbroad(name, argv);
}

std::vector<std::string> GameProgram_Native(const std::string& built,
                                            const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{built};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return Program_UnlessItSearchesAbroad(std::filesystem::path(built).stem().string(), argv);
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
  options.env = {"WINEPREFIX=" + WinePrefix()};
  RunProgram("wineserver", {"-k"}, 20.0, options);
  wine_session_booted = false;
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
