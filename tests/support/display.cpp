#include "support/display.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace {

constexpr double START_SECONDS = 20.0;
// Display numbers this harness claims: far above the ones that a server
// picking the first free number takes.
constexpr int FIRST_DISPLAY = 100;
constexpr int DISPLAYS = 800;
constexpr int DISPLAY_ATTEMPTS = 20;

std::uint32_t BigEndian32(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
  return value;
}

// Offsets of the header fields we need (each a big-endian 32-bit word).
constexpr std::size_t XWD_HEADER_SIZE = 0, XWD_WIDTH = 16, XWD_HEIGHT = 20, XWD_BYTE_ORDER = 28,
                      XWD_BITS_PER_PIXEL = 44, XWD_BYTES_PER_LINE = 48, XWD_COLOURS = 76;
constexpr std::size_t XWD_COLOUR_SIZE = 12;
constexpr std::size_t XWD_MIN_SIZE = 100;

std::uint32_t Xwd_Pixel(const std::uint8_t* p, std::size_t pixel_bytes, bool lsb_first) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < pixel_bytes; ++i) {
    const std::size_t shift = lsb_first ? i : pixel_bytes - 1 - i;
    value |= static_cast<std::uint32_t>(p[i]) << (8 * shift);
  }
  return value & 0xFFFFFF;
}

std::string Display_ClaimPath(int number) {
  return "/tmp/.tilegame-display-" + std::to_string(number);
}

// Claims display `number` for this process, machine-wide, by a file made only
// if none is there. A claim whose process has gone is taken over. A number
// whose socket file exists is another server's.
bool Display_Claim(int number) {
  if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) return false;
  const std::string path = Display_ClaimPath(number);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file >= 0) {
      const std::string pid = std::to_string(getpid());
      const bool written = write(file, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
      close(file);
      return written;
    }
    const pid_t holder = static_cast<pid_t>(std::atol(File_Read(path).c_str()));
    if (holder <= 0 || kill(holder, 0) == 0 || errno != ESRCH) return false;
    unlink(path.c_str());
  }
  return false;
}

}  // namespace

Screenshot Xwd_Parse(const std::string& bytes) {
  Screenshot shot;
  if (bytes.size() < XWD_MIN_SIZE) return shot;
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
  const auto* base = reinterpret_cast<const std::uint8_t*>(bytes.data() + data);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      shot.pixels[static_cast<std::size_t>(y) * width + x] =
          Xwd_Pixel(base + y * line + x * pixel_bytes, pixel_bytes, lsb_first);
    }
  }
  return shot;
}

VirtualDisplay::VirtualDisplay() {
  // The display number is this harness's choice, not the server's: a server
  // picks the first number free in its network namespace, so beside a test in
  // another namespace it takes a number in use there and replaces the socket
  // file of that display, through which the programs on a test's hosts
  // (netns.h) reach it. -displayfd: the server writes the number once it
  // accepts connections. The number and its line break may come in two
  // writes, and the pipe stays open while the server runs: closing it early
  // would end the server. -noreset: by default the server resets whenever
  // its last client leaves, and drops any client that connects meanwhile, so
  // a screenshot ending just as the game opens its window would fail the game.
  ChildOptions quiet;
  quiet.folder = "/tmp";
  quiet.keep_stderr = false;
  int number = FIRST_DISPLAY + static_cast<int>(getpid() % DISPLAYS);
  for (int attempt = 0; attempt < DISPLAY_ATTEMPTS; ++attempt, ++number) {
    if (number >= FIRST_DISPLAY + DISPLAYS) number = FIRST_DISPLAY;
    if (!Display_Claim(number)) continue;
    const std::string name = std::string(":").append(std::to_string(number));
    server = Child_Start({"Xvfb", name, "-displayfd", "1", "-screen", "0", "640x480x24",
                          "-nolisten", "tcp", "-noreset"},
                         quiet);
    if (server.pid > 0 && Child_WaitFor(server, "\n", START_SECONDS)) {
      display = name;
      claimed = number;
      return;
    }
    Child_Stop(server);
    unlink(Display_ClaimPath(number).c_str());
  }
}

VirtualDisplay::~VirtualDisplay() {
  if (claimed < 0) return;
  Child_Stop(server);
  unlink(Display_ClaimPath(claimed).c_str());
}

ProgramResult VirtualDisplay::Run(const std::vector<std::string>& argv, double seconds) const {
  ChildOptions options;
  options.env = {Env()};
  options.keep_stderr = false;
  const std::vector<std::string> arguments(argv.begin() + 1, argv.end());
  return RunProgram(argv[0], arguments, seconds, options);
}

Screenshot VirtualDisplay::Shoot() const {
  return Xwd_Parse(Run({"xwd", "-root", "-silent"}).output);
}

bool VirtualDisplay::Tool(const std::vector<std::string>& arguments) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return Run(argv).exit_code == 0;
}
