#include "server_harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto POLL_STEP = std::chrono::milliseconds(5);

Clock::time_point Deadline() {
  return Clock::now() + std::chrono::milliseconds(static_cast<int>(WAIT_SECONDS * 1000));
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::string MakeFolder(const ServerOptions& options) {
  char name[] = "/tmp/server_e2e_XXXXXX";
  const std::string dir = mkdtemp(name);
  if (options.withMap) {
    std::filesystem::create_directories(dir + "/map");
    std::ofstream(dir + "/map/Map", std::ios::binary) << options.mapBytes;
  }
  return dir;
}

void RedirectInput() {
  const int null_input = open("/dev/null", O_RDONLY);
  dup2(null_input, STDIN_FILENO);
}

[[noreturn]] void ExecServer(const std::string& dir) {
  if (chdir(dir.c_str()) != 0) _exit(127);
  execl(SERVER_BINARY, SERVER_BINARY, static_cast<char*>(nullptr));
  _exit(127);
}

// Forks a child with standard input on /dev/null and standard output on a
// pipe whose read end lands in `output`; the child runs `exec`.
template <typename Exec>
pid_t StartWithOutputPipe(int& output, Exec exec) {
  int out[2];
  if (pipe(out) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    RedirectInput();
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    exec();
  }
  close(out[1]);
  output = out[0];
  return pid;
}

pid_t StartOnPipe(const std::string& dir, int& output) {
  return StartWithOutputPipe(output, [&] { ExecServer(dir); });
}

pid_t StartOnTerminal(const std::string& dir, int& output) {
  const pid_t pid = forkpty(&output, nullptr, nullptr, nullptr);
  if (pid == 0) ExecServer(dir);
  return pid;
}

// Rows of /proc/net/tcp: local port, remote port, state and receive queue.
struct TcpRow {
  unsigned localPort = 0;
  unsigned remotePort = 0;
  unsigned state = 0;
  unsigned long receiveQueue = 0;
  unsigned long inode = 0;
};

std::vector<TcpRow> ReadTcpTable() {
  std::vector<TcpRow> rows;
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // header
  while (std::getline(table, line)) {
    TcpRow row;
    unsigned long tx = 0;
    if (std::sscanf(line.c_str(), " %*d: %*8X:%X %*8X:%X %X %lX:%lX %*X:%*X %*X %*u %*u %lu",
                    &row.localPort, &row.remotePort, &row.state, &tx, &row.receiveQueue,
                    &row.inode) == 6) {
      rows.push_back(row);
    }
  }
  return rows;
}

constexpr unsigned TCP_LISTEN_STATE = 0x0A;

// Whether process `pid` holds the socket with this inode. Other programs may
// use the game port too; only our own server's listener counts.
bool ProcessHoldsSocket(pid_t pid, unsigned long inode) {
  const std::string wanted = "socket:[" + std::to_string(inode) + "]";
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code link_error;
    if (std::filesystem::read_symlink(entry.path(), link_error).string() == wanted) return true;
  }
  return false;
}

template <typename Condition>
bool WaitUntil(Condition condition) {
  const auto deadline = Deadline();
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(POLL_STEP);
  }
  return true;
}

bool TryReap(ServerRun& run, int flags) {
  if (run.reaped) return true;
  if (waitpid(run.pid, &run.status, flags) == run.pid) run.reaped = true;
  return run.reaped;
}

int ExitStatus(const ServerRun& run) {
  if (!run.reaped || !WIFEXITED(run.status)) return -1;
  return WEXITSTATUS(run.status);
}

}  // namespace

ServerRun Server_Start(const ServerOptions& options) {
  ServerRun run;
  run.dir = MakeFolder(options);
  run.pid =
      options.onTerminal ? StartOnTerminal(run.dir, run.output) : StartOnPipe(run.dir, run.output);
  return run;
}

bool Server_WaitListening(ServerRun& run) {
  return WaitUntil([&] {
           if (TryReap(run, WNOHANG)) return true;  // gone: the caller's checks will tell
           for (const TcpRow& row : ReadTcpTable()) {
             if (row.localPort == GAME_PORT && row.state == TCP_LISTEN_STATE &&
                 ProcessHoldsSocket(run.pid, row.inode)) {
               return true;
             }
           }
           return false;
         }) &&
         !run.reaped;
}

bool Server_NextLine(ServerRun& run, std::string& line) {
  const auto deadline = Deadline();
  for (;;) {
    const auto end = run.unread.find('\n');
    if (end != std::string::npos) {
      line = run.unread.substr(0, end);
      run.unread.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();  // terminal line endings
      return true;
    }
    pollfd ready{run.output, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) return false;
    char buffer[4096];
    const ssize_t got = read(run.output, buffer, sizeof buffer);
    if (got <= 0) return false;
    run.unread.append(buffer, static_cast<std::size_t>(got));
  }
}

::testing::AssertionResult Server_ExpectLines(ServerRun& run,
                                              std::initializer_list<std::string> lines) {
  for (const std::string& expected : lines) {
    std::string line;
    if (!Server_NextLine(run, line)) {
      return ::testing::AssertionFailure() << "no line where \"" << expected << "\" was due";
    }
    if (line != expected) {
      return ::testing::AssertionFailure()
             << "line \"" << line << "\" where \"" << expected << "\" was due";
    }
  }
  return ::testing::AssertionSuccess();
}

int Server_WaitExit(ServerRun& run) {
  WaitUntil([&] { return TryReap(run, WNOHANG); });
  return ExitStatus(run);
}

void Server_Type(ServerRun& run, const std::string& bytes) {
  if (write(run.output, bytes.data(), bytes.size()) < 0) ADD_FAILURE() << "typing failed";
}

int Server_Stop(ServerRun& run) {
  if (run.pid > 0 && !run.reaped) {
    kill(run.pid, SIGTERM);
    if (!WaitUntil([&] { return TryReap(run, WNOHANG); })) {
      kill(run.pid, SIGKILL);
      TryReap(run, 0);
      run.status = -1;
    }
  }
  if (run.output >= 0) close(run.output);
  run.output = -1;
  if (!run.dir.empty()) std::filesystem::remove_all(run.dir);
  run.dir.clear();
  return ExitStatus(run);
}

int Player_Connect() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(GAME_PORT);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

bool Player_Send(int fd, const std::string& bytes) {
  return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::string Player_Receive(int fd, std::size_t count) {
  const auto deadline = Deadline();
  std::string received;
  while (received.size() < count) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) break;
    char buffer[256];
    const std::size_t want = std::min(sizeof buffer, count - received.size());
    const ssize_t got = recv(fd, buffer, want, 0);
    if (got <= 0) break;
    received.append(buffer, static_cast<std::size_t>(got));
  }
  return received;
}

bool Player_SeesClose(int fd) {
  pollfd ready{fd, POLLIN, 0};
  if (poll(&ready, 1, MillisecondsLeft(Deadline())) <= 0) return false;
  char byte = 0;
  return recv(fd, &byte, 1, 0) <= 0;
}

bool Player_WaitDrained(int fd) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
  const unsigned player_port = ntohs(local.sin_port);
  return WaitUntil([&] {
    for (const TcpRow& row : ReadTcpTable()) {
      if (row.localPort == GAME_PORT && row.remotePort == player_port) {
        return row.receiveQueue == 0;
      }
    }
    return false;
  });
}

void Player_Close(int fd) {
  if (fd >= 0) close(fd);
}

pid_t Program_Start(const std::vector<std::string>& args, int& output) {
  return StartWithOutputPipe(output, [&] {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  });
}

ProgramResult Program_Finish(pid_t pid, int output) {
  ProgramResult result;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(output, buffer, sizeof buffer)) > 0) result.output.append(buffer, got);
  close(output);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

ProgramResult Program_Run(const std::vector<std::string>& args) {
  int output = -1;
  const pid_t pid = Program_Start(args, output);
  if (pid < 0) return {};
  return Program_Finish(pid, output);
}
