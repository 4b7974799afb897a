// Keys from a terminal on standard input, read a byte at a time without echo.
#include "terminal.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "input.h"
#include "platform/keys.h"

namespace {

// Terminals send an escape sequence in one burst; an ESC with nothing after it
// within this time is the Escape key on its own.
constexpr int ESCAPE_SEQUENCE_WAIT_MS = 25;
constexpr unsigned char ESC = 0x1B;

enum class StdinState { Unchecked, NotTerminal, Terminal, HungUp };

struct TerminalKeys {
  StdinState state = StdinState::Unchecked;
  std::array<bool, SC_COUNT> pressed{};
};

std::mutex keys_mutex;
TerminalKeys keys;

// The settings to put back. Written once, before settings_saved is set; read
// by Terminal_Restore, which may run in a signal handler.
termios saved_settings{};
std::atomic<bool> settings_saved{false};
std::atomic<bool> key_mode_active{false};
std::atomic<bool> restored_for_good{false};
// Set on SIGCONT: the shell may have reset the terminal while we were stopped.
std::atomic<bool> key_mode_lost{false};

struct CrashSignal {
  int number = 0;
  bool synchronous = false;  // re-raised by the faulting instruction itself
  struct sigaction previous {};
};
std::array<CrashSignal, 7> crash_signals{{{SIGHUP, false, {}},
                                          {SIGQUIT, false, {}},
                                          {SIGABRT, false, {}},
                                          {SIGSEGV, true, {}},
                                          {SIGBUS, true, {}},
                                          {SIGFPE, true, {}},
                                          {SIGILL, true, {}}}};

// Restores the terminal, then hands the signal to whoever had it before (the
// default action, or a sanitizer's report).
void Terminal_OnCrash(int signal_number) {
  Terminal_Restore();
  for (CrashSignal& crash : crash_signals) {
    if (crash.number != signal_number) continue;
    sigaction(signal_number, &crash.previous, nullptr);
    if (!crash.synchronous) raise(signal_number);
  }
}

void Terminal_OnContinue(int) {
  key_mode_lost.store(true);
}

void Terminal_InstallSignalRestore() {
  struct sigaction action {};
  action.sa_handler = Terminal_OnCrash;
  sigemptyset(&action.sa_mask);
  for (CrashSignal& crash : crash_signals) {
    sigaction(crash.number, nullptr, &crash.previous);
    if (crash.previous.sa_handler == SIG_IGN) continue;  // e.g. SIGHUP under nohup
    sigaction(crash.number, &action, nullptr);
  }
  action.sa_handler = Terminal_OnContinue;
  action.sa_flags = SA_RESTART;
  sigaction(SIGCONT, &action, nullptr);
}

bool Terminal_SaveSettings() {
  if (settings_saved.load()) return true;
  if (tcgetattr(STDIN_FILENO, &saved_settings) != 0) return false;
  settings_saved.store(true);
  std::atexit(Terminal_Restore);
  Terminal_InstallSignalRestore();
  return true;
}

// Key-at-a-time mode: no line editing, no echo, reads never block. Ctrl-C still
// raises SIGINT, which counts as Escape.
void Terminal_EnterKeyMode() {
  if (restored_for_good.load() || !Terminal_SaveSettings()) return;
  if (key_mode_active.load() && !key_mode_lost.exchange(false)) return;
  termios key_mode = saved_settings;
  key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  key_mode.c_cc[VMIN] = 0;
  key_mode.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &key_mode) == 0) key_mode_active.store(true);
}

// Caller holds keys_mutex. Reading from the background would stop the process
// (SIGTTIN), and a background job has no keyboard of its own anyway.
bool Terminal_Usable() {
  if (keys.state == StdinState::Unchecked) {
    keys.state = isatty(STDIN_FILENO) ? StdinState::Terminal : StdinState::NotTerminal;
  }
  if (keys.state != StdinState::Terminal) return false;
  if (tcgetpgrp(STDIN_FILENO) != getpgrp()) return false;
  Terminal_EnterKeyMode();
  return true;
}

// Polls standard input; marks a hung-up terminal so it is never polled again.
bool Input_Readable(int timeout_ms) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeout_ms) <= 0) return false;
  if ((input.revents & POLLIN) != 0) return true;
  keys.state = StdinState::HungUp;
  return false;
}

void Input_ReadAvailable(std::string& bytes) {
  while (keys.state == StdinState::Terminal && Input_Readable(0)) {
    char chunk[64];
    ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (got <= 0) {  // end of file: nobody will ever type here again
      keys.state = StdinState::HungUp;
      return;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
}

// Length of the escape sequence starting at bytes[at] (an ESC): 1 for a lone
// ESC, 0 when the input ends inside the sequence.
std::size_t Sequence_Length(const std::string& bytes, std::size_t at) {
  std::size_t size = bytes.size();
  if (at + 1 >= size) return 0;
  char kind = bytes[at + 1];
  if (kind == 'O') return at + 2 < size ? 3 : 0;
  if (kind != '[') return 1;
  for (std::size_t end = at + 2; end < size; ++end) {
    unsigned char c = static_cast<unsigned char>(bytes[end]);
    if (c >= 0x40 && c <= 0x7E) return end - at + 1;
  }
  return 0;
}

bool Sequence_IncompleteAtEnd(const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (static_cast<unsigned char>(bytes[at]) != ESC) continue;
    std::size_t length = Sequence_Length(bytes, at);
    if (length == 0) return true;
    at += length - 1;
  }
  return false;
}

int Sequence_Scancode(char final_byte) {
  switch (final_byte) {
    case 'A':
      return SC_UP;
    case 'B':
      return SC_DOWN;
    case 'C':
      return SC_RIGHT;
    case 'D':
      return SC_LEFT;
    default:
      return -1;
  }
}

void Keys_Mark(int scancode) {
  if (scancode >= 0 && scancode < SC_COUNT) keys.pressed[scancode] = true;
}

// An input that still ends inside a sequence after the wait is a lone ESC when
// nothing follows it, and is dropped otherwise.
void Keys_Parse(const std::string& bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (static_cast<unsigned char>(bytes[at]) != ESC) {
      Keys_Mark(Keys_ScancodeForChar(bytes[at++]));
      continue;
    }
    std::size_t length = Sequence_Length(bytes, at);
    if (length == 0 && at + 1 < bytes.size()) return;
    if (length <= 1) {
      Keys_Mark(SC_ESCAPE);
      ++at;
      continue;
    }
    Keys_Mark(Sequence_Scancode(bytes[at + length - 1]));
    at += length;
  }
}

void Keys_ReadInput() {
  std::string bytes;
  Input_ReadAvailable(bytes);
  if (Sequence_IncompleteAtEnd(bytes) && Input_Readable(ESCAPE_SEQUENCE_WAIT_MS)) {
    Input_ReadAvailable(bytes);
  }
  Keys_Parse(bytes);
}

}  // namespace

bool Terminal_TakeKey(int scancode) {
  if (scancode < 0 || scancode >= SC_COUNT) return false;
  std::lock_guard lock(keys_mutex);
  if (!Terminal_Usable()) return false;
  Keys_ReadInput();
  bool pressed = keys.pressed[scancode];
  keys.pressed[scancode] = false;
  return pressed;
}

bool Terminal_PressWaiting() {
  std::lock_guard lock(keys_mutex);
  if (!Terminal_Usable()) return false;
  for (bool pressed : keys.pressed) {
    if (pressed) return true;
  }
  return Input_Readable(0);
}

bool Terminal_CanDeliverKeys() {
  std::lock_guard lock(keys_mutex);
  return Terminal_Usable() && keys.state == StdinState::Terminal;
}

void Terminal_Restore() {
  if (!key_mode_active.exchange(false)) return;
  restored_for_good.store(true);
  // A job moved to the background may still put its terminal back; without
  // this, tcsetattr would stop it with SIGTTOU.
  sigset_t block, previous;
  sigemptyset(&block);
  sigaddset(&block, SIGTTOU);
  pthread_sigmask(SIG_BLOCK, &block, &previous);
  tcsetattr(STDIN_FILENO, TCSANOW, &saved_settings);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}
