// Writing console lines to standard output, and the console's preparation
// before main().
#include "platform/console.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <mutex>
#include <string>

#include "console_output.h"

namespace {

// Longest a line waits for a reader that has stopped taking output (a full
// pipe, a terminal stopped with Ctrl-S) before the rest is dropped: a stalled
// console must not freeze the threads that print, nor the exit that waits for
// them. Once output has stalled, later lines wait no more until it flows again.
constexpr int STALLED_OUTPUT_WAIT_MS = 1000;

std::mutex output_mutex;
bool output_stalled = false;  // guarded by output_mutex

bool Output_WaitWritable(int fd) {
  pollfd output{fd, POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&output, 1, output_stalled ? 0 : STALLED_OUTPUT_WAIT_MS);
  } while (ready < 0 && errno == EINTR);
  // POLLERR/POLLHUP: the write itself then fails at once instead of blocking.
  return ready > 0;
}

// Whole lines in one write(2) when they fit in PIPE_BUF; longer ones in
// PIPE_BUF pieces, each of which a writable pipe takes without blocking.
void Output_WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (!Output_WaitWritable(fd)) {
      output_stalled = true;
      return;
    }
    const std::size_t piece = std::min<std::size_t>(bytes.size() - done, PIPE_BUF);
    const ssize_t wrote = write(fd, bytes.data() + done, piece);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
      output_stalled = false;
    } else if (wrote < 0 && (errno == EINTR || errno == EAGAIN)) {
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

}  // namespace

// A closed 0, 1 or 2 would be handed to the next socket or file we open.
void ConsoleOutput_Prepare() {
  Descriptors_ReopenClosed();
}

void ConsoleOutput_WriteLine(std::string line) {
  std::lock_guard lock(output_mutex);
  Output_WriteAll(STDOUT_FILENO, line);
}
