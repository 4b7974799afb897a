#include "test_helpers.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef PLATFORM_TEST_HELPER
#error "PLATFORM_TEST_HELPER must name the helper program"
#endif

TempDir::TempDir() {
  char pattern[] = "/tmp/platform-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

void File_Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string File_Read(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

namespace {

void Bytes_Put(std::string& bytes, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Pixel bits of one row, padded to four bytes.
std::string Bmp_Row(const std::uint32_t* row, int width, int bits,
                    const std::map<std::uint32_t, int>& palette) {
  std::string bytes;
  std::uint32_t pending = 0;
  int pending_bits = 0;
  for (int x = 0; x < width; ++x) {
    std::uint32_t c = row[x];
    if (bits <= 8) {
      pending = (pending << bits) | static_cast<std::uint32_t>(palette.at(c & 0xFFFFFF));
      pending_bits += bits;
      if (pending_bits == 8) {
        bytes.push_back(static_cast<char>(pending));
        pending = 0;
        pending_bits = 0;
      }
    } else if (bits == 16) {
      std::uint32_t r = (c >> 19) & 31, g = (c >> 11) & 31, b = (c >> 3) & 31;
      Bytes_Put(bytes, (r << 10) | (g << 5) | b, 2);
    } else {
      Bytes_Put(bytes, bits == 24 ? (c & 0xFFFFFF) : c, bits / 8);
    }
  }
  if (pending_bits > 0) bytes.push_back(static_cast<char>(pending << (8 - pending_bits)));
  while (bytes.size() % 4 != 0) bytes.push_back('\0');
  return bytes;
}

}  // namespace

std::string Bmp_Bytes(int width, int height, int bits, bool top_down,
                      const std::vector<std::uint32_t>& pixels) {
  std::map<std::uint32_t, int> palette;
  if (bits <= 8) {
    for (std::uint32_t c : pixels) palette.emplace(c & 0xFFFFFF, 0);
    int index = 0;
    for (auto& entry : palette) entry.second = index++;
  }
  std::string data;
  for (int i = 0; i < height; ++i) {
    int row = top_down ? i : height - 1 - i;
    data += Bmp_Row(&pixels[static_cast<std::size_t>(row) * width], width, bits, palette);
  }
  std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
  std::string bytes = "BM";
  Bytes_Put(bytes, offset + static_cast<std::uint32_t>(data.size()), 4);
  Bytes_Put(bytes, 0, 4);
  Bytes_Put(bytes, offset, 4);
  Bytes_Put(bytes, 40, 4);
  Bytes_Put(bytes, static_cast<std::uint32_t>(width), 4);
  Bytes_Put(bytes, static_cast<std::uint32_t>(top_down ? -height : height), 4);
  Bytes_Put(bytes, 1, 2);
  Bytes_Put(bytes, static_cast<std::uint32_t>(bits), 2);
  Bytes_Put(bytes, 0, 4);  // uncompressed
  Bytes_Put(bytes, static_cast<std::uint32_t>(data.size()), 4);
  Bytes_Put(bytes, 2835, 4);
  Bytes_Put(bytes, 2835, 4);
  Bytes_Put(bytes, static_cast<std::uint32_t>(palette.size()), 4);
  Bytes_Put(bytes, 0, 4);
  for (auto& entry : palette) Bytes_Put(bytes, entry.first, 4);
  return bytes + data;
}

void Bmp_Write(const std::string& path, int width, int height, int bits, bool top_down,
               const std::vector<std::uint32_t>& pixels) {
  File_Write(path, Bmp_Bytes(width, height, bits, top_down, pixels));
}

namespace {

using Clock = std::chrono::steady_clock;

int Deadline_MsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

Clock::time_point Deadline_In(double seconds) {
  return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
}

// Reads what is there within the time left; false once the output has ended.
bool Child_ReadSome(Child& child, Clock::time_point deadline) {
  pollfd output{child.output, POLLIN, 0};
  if (poll(&output, 1, Deadline_MsLeft(deadline)) <= 0) return Deadline_MsLeft(deadline) > 0;
  char chunk[4096];
  ssize_t got = read(child.output, chunk, sizeof chunk);
  if (got <= 0) return false;  // a terminal's master reads EIO once the child is gone
  child.seen.append(chunk, static_cast<std::size_t>(got));
  return true;
}

[[noreturn]] void Child_Exec(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::string program = PLATFORM_TEST_HELPER;
  argv.push_back(program.data());
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

void Child_StartOnTerminal(Child& child, const std::vector<std::string>& arguments) {
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
  termios settings{};
  tcgetattr(slave, &settings);
  child.terminal_modes = settings.c_lflag;
  child.pid = fork();
  if (child.pid == 0) {
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    for (int fd = 0; fd <= 2; ++fd) dup2(slave, fd);
    close(master);
    close(slave);
    Child_Exec(arguments);
  }
  child.output = master;
  child.input = master;
  child.terminal_side = slave;
}

}  // namespace

Child Child_Start(const std::vector<std::string>& arguments, ChildInput input, bool close_stdout) {
  Child child;
  if (input == ChildInput::Terminal) {
    Child_StartOnTerminal(child, arguments);
    return child;
  }
  int out_pipe[2], in_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(in_pipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe");
  }
  child.pid = fork();
  if (child.pid == 0) {
    int null_fd = open("/dev/null", O_RDONLY);
    dup2(input == ChildInput::OpenPipe ? in_pipe[0] : null_fd, 0);
    if (null_fd > 0) close(null_fd);
    if (close_stdout) {
      close(1);
    } else {
      dup2(out_pipe[1], 1);
    }
    Child_Exec(arguments);
  }
  close(out_pipe[1]);
  close(in_pipe[0]);
  child.output = out_pipe[0];
  child.input = in_pipe[1];
  return child;
}

bool Child_WaitFor(Child& child, const std::string& needle, double seconds) {
  Clock::time_point deadline = Deadline_In(seconds);
  while (child.seen.find(needle) == std::string::npos) {
    if (!Child_ReadSome(child, deadline)) return false;
  }
  return true;
}

void Child_ReadToEnd(Child& child, double seconds) {
  Clock::time_point deadline = Deadline_In(seconds);
  while (Child_ReadSome(child, deadline)) {
  }
}

int Child_Wait(Child& child, double seconds) {
  Clock::time_point deadline = Deadline_In(seconds);
  int status = 0;
  while (waitpid(child.pid, &status, WNOHANG) == 0) {
    if (Deadline_MsLeft(deadline) == 0) {
      kill(child.pid, SIGKILL);
      waitpid(child.pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  child.pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
}

int Child_Finish(Child& child, double seconds) {
  int code = child.pid > 0 ? Child_Wait(child, seconds) : -1;
  if (child.input >= 0 && child.input != child.output) close(child.input);
  if (child.output >= 0) close(child.output);
  child.output = child.input = -1;
  return code;
}

void Child_Send(Child& child, const std::string& bytes) {
  if (write(child.input, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    throw std::runtime_error("write to child failed");
  }
}
