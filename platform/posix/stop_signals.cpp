// Stop signals: the handler only sets a flag that the key services read.
#include "stop_request.h"

#include <signal.h>

#include <atomic>

#include "console_keys.h"

namespace {

std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read from a signal handler");

void Signals_OnStop(int signal_number) {
  if (!stop_requested.exchange(true)) return;
  ConsoleKeys_Restore();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

bool Signals_IgnoredAtStart(int signal_number) {
  struct sigaction current {};
  sigaction(signal_number, nullptr, &current);
  return current.sa_handler == SIG_IGN;
}

void Signals_Handle(int signal_number) {
  struct sigaction action {};
  action.sa_handler = Signals_OnStop;
  sigemptyset(&action.sa_mask);
  // Restarting keeps blocking calls on other threads (the engine's sockets)
  // from failing with EINTR just because the operator pressed Ctrl-C.
  action.sa_flags = SA_RESTART;
  sigaction(signal_number, &action, nullptr);
}

}  // namespace

void StopRequest_Install() {
  Signals_Handle(SIGINT);
  Signals_Handle(SIGTERM);
  // The terminal or the remote session went away: stop through the normal
  // exit, so connections are closed and reported rather than cut. Under nohup
  // it is meant to pass unnoticed.
  if (!Signals_IgnoredAtStart(SIGHUP)) Signals_Handle(SIGHUP);
  // A reader that goes away (a closed log pipe, a peer that vanished) must
  // cost a failed write, not the whole process without its clean-up.
  signal(SIGPIPE, SIG_IGN);
}

bool StopRequest_Pending() {
  return stop_requested.load();
}
