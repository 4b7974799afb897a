#include "client_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <regex>
#include <sstream>

#include "game/map_file.h"
#include "platform/keys.h"
#include "platform_testing.h"

ScratchDir::ScratchDir() {
  std::random_device random;
  path = std::filesystem::temp_directory_path() / ("client_test_" + std::to_string(random()));
  std::filesystem::create_directories(path);
  previous = std::filesystem::current_path();
  std::filesystem::current_path(path);
}

ScratchDir::~ScratchDir() {
  std::filesystem::current_path(previous);
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {

void PutLe(std::string& bytes, std::size_t offset, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace

std::string BmpHeader(std::int32_t width, std::int32_t height, std::size_t length) {
  std::string bytes(54, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLe(bytes, 10, 54, 4);
  PutLe(bytes, 14, 40, 4);
  PutLe(bytes, 18, static_cast<std::uint32_t>(width), 4);
  PutLe(bytes, 22, static_cast<std::uint32_t>(height), 4);
  PutLe(bytes, 26, 1, 2);
  PutLe(bytes, 28, 24, 2);
  bytes.resize(length, '\0');
  return bytes;
}

void WriteBmp(const std::filesystem::path& path, int width, int height,
              const std::function<Colour(int x, int y)>& colour) {
  std::string bytes = BmpHeader(width, height);
  const int row_bytes = (width * 3 + 3) / 4 * 4;
  PutLe(bytes, 2, static_cast<std::uint32_t>(54 + row_bytes * height), 4);
  for (int y = height - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(row_bytes), '\0');
    for (int x = 0; x < width; ++x) PutLe(row, static_cast<std::size_t>(x) * 3, colour(x, y), 3);
    bytes += row;
  }
  WriteFile(path, bytes);
}

std::string MapBytes(const std::int8_t codes[]) {
  std::string bytes(static_cast<std::size_t>(MAP_TILE_COUNT) * MAP_RECORD_SIZE, '\0');
  for (int k = 0; k < MAP_TILE_COUNT; ++k) bytes[k * MAP_RECORD_SIZE] = static_cast<char>(codes[k]);
  return bytes;
}

Image* SolidImage(int width, int height, Colour colour) {
  Image* image = CreateImage(width, height);
  if (image != nullptr) image->pixels.assign(image->pixels.size(), colour);
  return image;
}

Colour ScreenRgb(int x, int y) {
  return Screen_Pixels()[y * Screen_Width() + x] & 0xFFFFFF;
}

void ReleaseGameKeys() {
  for (int key : {SC_ESCAPE, SC_W, SC_A, SC_S, SC_D}) {
    Keys_Release(key);
    IsKeyDown(key);  // clears a latched press
  }
}

std::vector<Report>& RecordedReports() {
  static std::vector<Report> reports;
  return reports;
}

void RecordReport(std::int32_t x, std::int32_t y, PLAX_ID connection_id) {
  RecordedReports().push_back(Report{x, y, connection_id});
}

// ---- The real programs. ----

extern char** environ;

struct ChildOutput {
  std::mutex mutex;
  std::string text;
};

namespace {

constexpr double STOP_GRACE_SECONDS = 3.0;
constexpr int POLL_MS = 10;

std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

void ReadAll(int fd, std::shared_ptr<ChildOutput> output) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    std::lock_guard lock(output->mutex);
    output->text.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
}

// Between fork and exec only async-signal-safe calls.
[[noreturn]] void ExecChild(const char* folder, int out_fd, bool keep_stderr, char** argv,
                            char** envp) {
  const int null_fd = open("/dev/null", O_RDWR);
  if (chdir(folder) != 0) _exit(126);
  dup2(null_fd, STDIN_FILENO);
  dup2(out_fd, STDOUT_FILENO);
  if (!keep_stderr) dup2(null_fd, STDERR_FILENO);
  execvpe(argv[0], argv, envp);
  _exit(127);
}

}  // namespace

std::unique_ptr<Child> Child_Start(const std::vector<std::string>& argv,
                                   const std::filesystem::path& folder,
                                   const std::vector<std::string>& env, bool keep_stderr) {
  std::vector<std::string> args = argv;
  std::vector<std::string> environment(env);
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('=') + 1);
    bool overridden = false;
    for (const std::string& own : env) overridden = overridden || own.starts_with(name);
    if (!overridden) environment.push_back(entry);
  }
  std::vector<char*> c_args = CStrings(args);
  std::vector<char*> c_env = CStrings(environment);
  const std::string dir = folder.string();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
  auto child = std::make_unique<Child>();
  child->output = std::make_shared<ChildOutput>();
  child->pid = fork();
  if (child->pid == 0) ExecChild(dir.c_str(), fds[1], keep_stderr, c_args.data(), c_env.data());
  close(fds[1]);
  if (child->pid < 0) {
    close(fds[0]);
    return nullptr;
  }
  child->reader = std::thread(ReadAll, fds[0], child->output);
  return child;
}

std::string Child_Output(const Child& child) {
  std::lock_guard lock(child.output->mutex);
  return child.output->text;
}

bool WaitUntil(const std::function<bool()>& condition, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
  }
}

bool Child_WaitFor(const Child& child, const std::string& text, double seconds) {
  return WaitUntil([&] { return Child_Output(child).find(text) != std::string::npos; }, seconds);
}

int Child_WaitExit(Child& child, double seconds) {
  if (child.pid <= 0) return -1;
  int status = 0;
  const bool ended =
      WaitUntil([&] { return waitpid(child.pid, &status, WNOHANG) == child.pid; }, seconds);
  if (!ended) return -1;
  child.pid = -1;
  if (child.reader.joinable()) child.reader.join();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Child_Stop(Child& child) {
  if (child.pid > 0) {
    kill(child.pid, SIGTERM);
    if (Child_WaitExit(child, STOP_GRACE_SECONDS) == -1 && child.pid > 0) {
      kill(child.pid, SIGKILL);
      waitpid(child.pid, nullptr, 0);
      child.pid = -1;
    }
  }
  if (child.reader.joinable()) child.reader.join();
}

Child::~Child() {
  Child_Stop(*this);
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     double seconds) {
  RunResult result;
  std::unique_ptr<Child> child =
      Child_Start(argv, std::filesystem::current_path(), env, /*keep_stderr=*/false);
  if (!child) return result;
  result.code = Child_WaitExit(*child, seconds);
  Child_Stop(*child);
  result.output = Child_Output(*child);
  return result;
}

bool ProgramOnPath(const std::string& name) {
  std::stringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  std::string dir;
  while (std::getline(path, dir, ':')) {
    if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

bool PortListening(int port) {
  char local[16];
  std::snprintf(local, sizeof local, ":%04X", port);
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream file(table);
    std::string line;
    while (std::getline(file, line)) {
      std::istringstream fields(line);
      std::string slot, address, remote, state;
      fields >> slot >> address >> remote >> state;
      const bool port_matches = address.size() > 5 && address.ends_with(local);
      if (port_matches && state == "0A") return true;  // 0A: LISTEN
    }
  }
  return false;
}

namespace {

std::uint32_t BigEndian32(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
  return value;
}

// Offsets of the header fields we need (each a big-endian 32-bit word).
constexpr std::size_t XWD_HEADER_SIZE = 0, XWD_WIDTH = 16, XWD_HEIGHT = 20, XWD_BYTE_ORDER = 28,
                      XWD_BITS_PER_PIXEL = 44, XWD_BYTES_PER_LINE = 48, XWD_COLOURS = 76;
constexpr std::size_t XWD_COLOUR_SIZE = 12;

}  // namespace

Screenshot ParseXwd(const std::string& bytes) {
  Screenshot shot;
  if (bytes.size() < 100) return shot;
  const std::size_t data =
      BigEndian32(bytes, XWD_HEADER_SIZE) + BigEndian32(bytes, XWD_COLOURS) * XWD_COLOUR_SIZE;
  const int width = static_cast<int>(BigEndian32(bytes, XWD_WIDTH));
  const int height = static_cast<int>(BigEndian32(bytes, XWD_HEIGHT));
  const std::uint32_t bits = BigEndian32(bytes, XWD_BITS_PER_PIXEL);
  const std::size_t line = BigEndian32(bytes, XWD_BYTES_PER_LINE);
  const bool lsb_first = BigEndian32(bytes, XWD_BYTE_ORDER) == 0;
  const std::size_t pixel_bytes = bits / 8;
  if ((bits != 32 && bits != 24) || data + line * height > bytes.size()) return shot;
  shot.width = width;
  shot.height = height;
  shot.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto* p =
          reinterpret_cast<const std::uint8_t*>(bytes.data() + data + y * line + x * pixel_bytes);
      Colour value = 0;
      for (std::size_t i = 0; i < pixel_bytes; ++i) {
        const std::size_t shift = lsb_first ? i : pixel_bytes - 1 - i;
        value |= static_cast<Colour>(p[i]) << (8 * shift);
      }
      shot.pixels[static_cast<std::size_t>(y) * width + x] = value & 0xFFFFFF;
    }
  }
  return shot;
}

VirtualDisplay::VirtualDisplay() {
  // -displayfd: the server picks a free display number and writes it once it
  // accepts connections.
  server =
      Child_Start({"Xvfb", "-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"},
                  std::filesystem::temp_directory_path(), {}, /*keep_stderr=*/false);
  if (!server || !Child_WaitFor(*server, "\n", 20.0)) return;
  const std::string number = Child_Output(*server);
  name = std::string(":").append(number, 0, number.find('\n'));
}

VirtualDisplay::~VirtualDisplay() {
  if (server) Child_Stop(*server);
}

Screenshot VirtualDisplay::Shoot() const {
  return ParseXwd(RunProgram({"xwd", "-root", "-silent"}, {Env()}).output);
}

bool VirtualDisplay::Tool(const std::vector<std::string>& argv) const {
  std::vector<std::string> command = {"xdotool"};
  command.insert(command.end(), argv.begin(), argv.end());
  return RunProgram(command, {Env()}).code == 0;
}

std::vector<int> RelayedXs(const std::string& bot_output) {
  static const std::regex relay(R"(relay [^\n]*x=(-?\d+))");
  std::vector<int> xs;
  for (auto it = std::sregex_iterator(bot_output.begin(), bot_output.end(), relay);
       it != std::sregex_iterator(); ++it) {
    xs.push_back(std::stoi((*it)[1].str()));
  }
  return xs;
}
