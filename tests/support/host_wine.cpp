#include "support/host_wine.h"

#include <cstdlib>
#include <filesystem>

namespace {

constexpr double SERVER_SECONDS = 20.0;
constexpr double BOOT_SECONDS = 60.0;

std::string WindowsBuild() {
  const char* build = std::getenv("TILEGAME_WINDOWS_BUILD");
  return build != nullptr ? build : "";
}

// What the build's wine-run sets for the suite's prefix, here for this one.
std::vector<std::string> WineEnv(const std::string& prefix) {
  return {"WINEPREFIX=" + prefix, "WINEDEBUG=-all", "WINEARCH=win64"};
}

// The suite's prefix as the suite readied it, at `to`: a new folder, so Wine
// gives it a server of its own. The registry files are copied, since a server
// rewrites them; the drive's files, nearly all of the prefix's size and only
// read by the game's programs, are linked. The device links stay links (one
// of them is the root folder).
std::string Prefix_Copy(const std::filesystem::path& from, const std::filesystem::path& to) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directory(to, error);
  fs::directory_iterator entries(from, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const fs::path& entry = entries->path();
    fs::copy_options how = fs::copy_options::recursive | fs::copy_options::copy_symlinks;
    if (entry.filename() == "drive_c") how |= fs::copy_options::create_hard_links;
    fs::copy(entry, to / entry.filename(), how, error);
  }
  if (!error) return "";
  return "cannot copy the Wine prefix " + from.string() + " to " + to.string() + ": " +
         error.message();
}

ChildOptions Quiet(ChildOptions options) {
  options.output = ChildOutput::DevNull;
  options.keep_stderr = false;
  return options;
}

}  // namespace

HostWine::HostWine(const std::string& network_namespace)
    : network_namespace(network_namespace), prefix(folder.File("prefix")) {
  failure = Prefix_Copy(WindowsBuild() + "/wine-prefix", prefix);
  if (!failure.empty()) return;
  // Started on the host, the server makes its programs' sockets there. It
  // outlives a program by half a minute, so a program started again finds
  // the session still up; the session is booted as the suite's is (see
  // programs.cpp), by a program that does nothing and writes nowhere.
  const ChildOptions quiet = Quiet(HostWine_Options(*this, {}));
  RunProgram("wineserver", {"-p30"}, SERVER_SECONDS, quiet);
  const ProgramResult boot = RunProgram("wine", {"cmd", "/c", "exit"}, BOOT_SECONDS, quiet);
  if (boot.exit_code != 0) {
    failure = "Wine's session did not start on host " + network_namespace + " (" +
              std::to_string(boot.exit_code) + ")";
  }
}

HostWine::~HostWine() {
  // Ends this prefix's server and its programs, and waits for it to be gone
  // before the prefix goes with the folder.
  const ChildOptions quiet = Quiet(HostWine_Options(*this, {}));
  RunProgram("wineserver", {"-k"}, SERVER_SECONDS, quiet);
  RunProgram("wineserver", {"-w"}, SERVER_SECONDS, quiet);
}

std::vector<std::string> HostWine_Program(const HostWine&, const std::string& name,
                                          const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"wine", WindowsBuild() + "/bin/" + name + ".exe"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

ChildOptions HostWine_Options(const HostWine& wine, ChildOptions options) {
  options.network_namespace = wine.network_namespace;
  for (const std::string& setting : WineEnv(wine.prefix)) options.env.push_back(setting);
  return options;
}
