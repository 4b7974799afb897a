// Console lines, the end of the program, and the console's preparation before
// main().
#include "platform/console.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "input.h"
#include "signals.h"
#include "terminal.h"

namespace {

// Longest a line waits for a full non-blocking pipe before the rest is dropped,
// so a stalled log reader cannot freeze the program.
constexpr int STALLED_OUTPUT_WAIT_MS = 1000;

std::mutex output_mutex;

bool Output_WaitWritable(int fd) {
  pollfd output{fd, POLLOUT, 0};
  return poll(&output, 1, STALLED_OUTPUT_WAIT_MS) > 0 && (output.revents & POLLOUT) != 0;
}

// One write(2) for the whole line; more only if the kernel takes part of it.
void Output_WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else if (wrote < 0 && errno == EINTR) {
      continue;
    } else if (wrote < 0 && errno == EAGAIN && Output_WaitWritable(fd)) {
      continue;
    } else {
      return;
    }
  }
}

// A closed 0, 1 or 2 would be handed to the next socket or file we open, and a
// stray PrintLine would then write into it.
void Descriptors_ReopenClosed() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0 && null_fd != fd) {
      dup2(null_fd, fd);
      close(null_fd);
    }
  }
}

// Runs before any ordinary static constructor (the engine's start-up opens
// descriptors), hence the priority.
struct ConsoleStartup {
  ConsoleStartup() { Console_Init(); }
};
ConsoleStartup console_startup __attribute__((init_priority(101)));

}  // namespace

void Console_Init() {
  static std::atomic<bool> done{false};
  if (done.exchange(true)) return;
  Descriptors_ReopenClosed();
  Signals_Install();
}

void PrintLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  {
    std::lock_guard lock(output_mutex);
    Output_WriteAll(STDOUT_FILENO, line);
  }
  if (const WindowHooks* hooks = WindowHooks_Current()) hooks->print_line(text);
}

void EndProgram(int code) {
  std::fflush(nullptr);
  Terminal_Restore();
  std::exit(code);
}
