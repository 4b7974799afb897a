#include "support/child.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <utility>

#include "support/wait.h"

extern char** environ;

namespace {

constexpr int CHILD_NOT_STARTED = -1;
constexpr double DRAIN_SECONDS = 1.0;
constexpr int EXIT_NO_NAMESPACE = 125;

std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The test's environment with `own` entries added or put in place of theirs.
std::vector<std::string> Environment(const std::vector<std::string>& own) {
  std::vector<std::string> environment(own);
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('=') + 1);
    bool overridden = false;
    for (const std::string& mine : own) overridden = overridden || mine.starts_with(name);
    if (!overridden) environment.push_back(entry);
  }
  return environment;
}

// What the forked child puts on its descriptors 0, 1 and 2 before exec (-1
// closes one), and the child's ends that the parent closes after the fork.
struct Plumbing {
  int fds[3] = {-1, -1, 2};
  bool terminal = false;
  int network_namespace = -1;  // opened before the fork, joined in the child
  std::vector<int> child_ends;
};

// Between fork and exec only async-signal-safe calls.
[[noreturn]] void Child_Exec(const char* folder, const Plumbing& plumbing, char** argv,
                             char** envp) {
  if (plumbing.terminal) {
    setsid();
    ioctl(plumbing.fds[0], TIOCSCTTY, 0);
  }
  if (folder[0] != '\0' && chdir(folder) != 0) _exit(126);
  if (plumbing.network_namespace >= 0 && setns(plumbing.network_namespace, CLONE_NEWNET) != 0) {
    _exit(EXIT_NO_NAMESPACE);
  }
  for (int fd = 0; fd < 3; ++fd) {
    if (plumbing.fds[fd] < 0) {
      close(fd);
    } else if (plumbing.fds[fd] != fd) {
      dup2(plumbing.fds[fd], fd);
    }
  }
  execvpe(argv[0], argv, envp);
  _exit(127);
}

// A terminal on standard input; with `whole`, on standard output and error too.
bool Child_PlumbTerminal(Child& child, Plumbing& plumbing, bool whole) {
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
  fcntl(master, F_SETFD, FD_CLOEXEC);
  fcntl(slave, F_SETFD, FD_CLOEXEC);
  termios settings{};
  tcgetattr(slave, &settings);
  child.terminal_modes = settings.c_lflag;
  child.input = master;
  child.terminal_side = slave;
  plumbing.terminal = true;
  plumbing.fds[0] = slave;
  if (whole) {
    child.output = master;
    plumbing.fds[1] = plumbing.fds[2] = slave;
  }
  return true;
}

bool Child_PlumbOutput(Child& child, const ChildOptions& options, Plumbing& plumbing, int null_fd) {
  int out_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) return false;
  child.output = out_pipe[0];
  plumbing.child_ends.push_back(out_pipe[1]);
  const int out_fds[] = {out_pipe[1], null_fd, -1};
  plumbing.fds[1] = out_fds[static_cast<int>(options.output)];
  return true;
}

// Opens what the child's descriptors come from; the parent's ends go into
// `child`. False when a pipe or terminal cannot be made.
bool Child_Plumb(Child& child, const ChildOptions& options, Plumbing& plumbing) {
  const int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  plumbing.child_ends.push_back(null_fd);
  plumbing.fds[0] = null_fd;
  const bool terminal = options.input == ChildInput::Terminal || options.input == ChildInput::Keys;
  if (terminal && !Child_PlumbTerminal(child, plumbing, options.input == ChildInput::Terminal)) {
    return false;
  }
  if (options.input != ChildInput::Terminal &&
      !Child_PlumbOutput(child, options, plumbing, null_fd)) {
    return false;
  }
  if (options.input == ChildInput::OpenPipe) {
    int in_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0) return false;
    child.input = in_pipe[1];
    plumbing.child_ends.push_back(in_pipe[0]);
    plumbing.fds[0] = in_pipe[0];
  }
  if (!options.keep_stderr) plumbing.fds[2] = null_fd;
  if (!options.network_namespace.empty()) {
    plumbing.network_namespace =
        open(("/run/netns/" + options.network_namespace).c_str(), O_RDONLY | O_CLOEXEC);
    plumbing.child_ends.push_back(plumbing.network_namespace);
    if (plumbing.network_namespace < 0) return false;
  }
  return true;
}

// "\r\n" to "\n" from `from` on; a "\r" at the end waits for what follows it.
void Child_PlainLineEnds(std::string& text, std::size_t from) {
  std::size_t kept = from;
  for (std::size_t at = from; at < text.size(); ++at) {
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
    text[kept++] = text[at];
  }
  text.resize(kept);
}

// Reads what comes within the time left; false once the output has ended
// (or the deadline passed).
bool Child_ReadSome(const Child& child, Deadline deadline) {
  if (child.output < 0) return false;
  pollfd ready{child.output, POLLIN, 0};
  const int polled = poll(&ready, 1, Deadline_MsLeft(deadline));
  if (polled < 0 && errno == EINTR) return Deadline_MsLeft(deadline) > 0;
  if (polled <= 0) return false;
  char chunk[65536];
  const ssize_t got = read(child.output, chunk, sizeof chunk);
  if (got < 0 && errno == EINTR) return true;
  if (got <= 0) return false;  // a terminal's master reads EIO once the child is gone
  const std::size_t from = child.seen.empty() ? 0 : child.seen.size() - 1;
  child.seen.append(chunk, static_cast<std::size_t>(got));
  if (child.plain_line_ends) Child_PlainLineEnds(child.seen, from);
  return true;
}

// Reads what is already there, without waiting for more.
void Child_Drain(const Child& child) {
  const Deadline deadline = Deadline_In(DRAIN_SECONDS);
  while (Deadline_MsLeft(deadline) > 0 && Child_ReadSome(child, Deadline_In(0))) {
  }
}

void Child_Reaped(Child& child, int status) {
  child.reaped = true;
  child.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
}

bool Child_Reap(Child& child, Deadline deadline) {
  while (!child.reaped) {
    int status = 0;
    if (waitpid(child.pid, &status, WNOHANG) == child.pid) {
      Child_Reaped(child, status);
    } else if (Deadline_MsLeft(deadline) == 0) {
      return false;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return true;
}

void Child_Kill(Child& child) {
  kill(child.pid, SIGKILL);
  int status = 0;
  waitpid(child.pid, &status, 0);
  Child_Reaped(child, status);
}

void Close(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

void Child_Release(Child& child) {
  Child_Drain(child);
  if (child.input == child.output) child.input = -1;
  Close(child.input);
  Close(child.output);
  Close(child.terminal_side);
}

}  // namespace

Child::Child(Child&& other) noexcept {
  *this = std::move(other);
}

Child& Child::operator=(Child&& other) noexcept {
  if (this == &other) return *this;
  Child_Stop(*this);
  pid = std::exchange(other.pid, -1);
  output = std::exchange(other.output, -1);
  input = std::exchange(other.input, -1);
  terminal_side = std::exchange(other.terminal_side, -1);
  terminal_modes = other.terminal_modes;
  reaped = std::exchange(other.reaped, false);
  status = std::exchange(other.status, -1);
  seen = std::move(other.seen);
  lines_taken = std::exchange(other.lines_taken, 0);
  plain_line_ends = other.plain_line_ends;
  return *this;
}

Child::~Child() {
  Child_Stop(*this);
}

Child Child_Start(const std::vector<std::string>& argv, const ChildOptions& options) {
  std::vector<std::string> args = argv;
  std::vector<std::string> environment = Environment(options.env);
  std::vector<char*> c_args = CStrings(args);
  std::vector<char*> c_env = CStrings(environment);
  Child child;
  child.plain_line_ends = options.plain_line_ends;
  Plumbing plumbing;
  const bool plumbed = !args.empty() && Child_Plumb(child, options, plumbing);
  if (plumbed) child.pid = fork();
  if (child.pid == 0) Child_Exec(options.folder.c_str(), plumbing, c_args.data(), c_env.data());
  for (int fd : plumbing.child_ends) close(fd);
  if (child.pid < 0) Child_Release(child);
  return child;
}

std::string Child_Output(const Child& child) {
  Child_Drain(child);
  return child.seen;
}

bool Child_WaitFor(const Child& child, const std::string& needle, double seconds) {
  const Deadline deadline = Deadline_In(seconds);
  while (child.seen.find(needle) == std::string::npos) {
    if (!Child_ReadSome(child, deadline)) return false;
  }
  return true;
}

bool Child_NextLine(Child& child, std::string& line, double seconds) {
  const Deadline deadline = Deadline_In(seconds);
  std::size_t end = std::string::npos;
  while ((end = child.seen.find('\n', child.lines_taken)) == std::string::npos) {
    if (!Child_ReadSome(child, deadline)) return false;
  }
  line = child.seen.substr(child.lines_taken, end - child.lines_taken);
  child.lines_taken = end + 1;
  if (!line.empty() && line.back() == '\r') line.pop_back();  // terminal line endings
  return true;
}

bool Child_ReadToEnd(const Child& child, double seconds) {
  const Deadline deadline = Deadline_In(seconds);
  while (Child_ReadSome(child, deadline)) {
  }
  return Deadline_MsLeft(deadline) > 0;
}

bool Child_Send(Child& child, const std::string& bytes) {
  return child.input >= 0 &&
         write(child.input, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool Child_Running(Child& child) {
  return child.pid > 0 && !Child_Reap(child, Deadline_In(0));
}

int Child_Wait(Child& child, double seconds) {
  if (child.pid <= 0) return CHILD_NOT_STARTED;
  if (!Child_Reap(child, Deadline_In(seconds))) Child_Kill(child);
  return child.status;
}

int Child_Finish(Child& child, double seconds) {
  const int status = Child_Wait(child, seconds);
  Child_Release(child);
  return status;
}

int Child_Stop(Child& child, double grace_seconds) {
  if (child.pid > 0 && !child.reaped) kill(child.pid, SIGTERM);
  return Child_Finish(child, grace_seconds);
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         double seconds, const ChildOptions& options) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const Deadline deadline = Deadline_In(seconds);
  Child child = Child_Start(argv, options);
  ProgramResult result;
  if (child.pid <= 0) return result;
  Child_ReadToEnd(child, seconds);
  result.timed_out = !Child_Reap(child, deadline);
  result.exit_code = Child_Finish(child, 0);
  result.output = child.seen;
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
