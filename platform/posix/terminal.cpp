// Keys from a terminal on standard input, read a byte at a time without echo.
// A terminal reports presses only, never releases, so each key reads as down
// once. Escape is a lone ESC byte; ESC before another key is Alt held with it.
#include "console_keys.h"

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

// An ESC with nothing after it within this time is the Escape key on its own;
// a little above what a local terminal needs, for links that split a burst.
constexpr int ESCAPE_SEQUENCE_WAIT_MS = 50;
constexpr unsigned char ESC = 0x1B;
constexpr std::size_t MAX_SEQUENCE_BYTES = 32;

enum class StdinState { Unchecked, NotTerminal, Terminal, HungUp };

struct TerminalKeys {
  StdinState state = StdinState::Unchecked;
  std::array<bool, SC_COUNT> pressed{};
  bool other_pressed = false;  // a key that is none of ours (Alt+Q, F5)
  std::string pending;         // the first bytes of a key still arriving
};

std::mutex keys_mutex;
TerminalKeys keys;

// The settings to put back. Written once, before settings_saved is set; read
// by ConsoleKeys_Restore, which may run in a signal handler.
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
// A hang-up is a request to stop, handled with the stop signals.
std::array<CrashSignal, 6> crash_signals{{{SIGQUIT, false, {}},
                                          {SIGABRT, false, {}},
                                          {SIGSEGV, true, {}},
                                          {SIGBUS, true, {}},
                                          {SIGFPE, true, {}},
                                          {SIGILL, true, {}}}};

// Restores the terminal, then hands the signal to whoever had it before (the
// default action, or a sanitizer's report).
void Terminal_OnCrash(int signal_number) {
  ConsoleKeys_Restore();
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
  std::atexit(ConsoleKeys_Restore);
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

// One key as the terminal sends it: `length` bytes that stand for `scancode`
// (-1 for a key that is none of ours). Length 0: the input ends inside it.
struct KeyUnit {
  std::size_t length = 0;
  int scancode = -1;
};
constexpr KeyUnit UNIT_INCOMPLETE{};

unsigned char Byte_At(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

int Sequence_Scancode(unsigned char final_byte) {
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

// ESC [, parameter and intermediate bytes, then a final byte (arrows, F5 as
// ESC [ 1 5 ~). Any other byte breaks the sequence off and starts anew, so a
// garbled sequence cannot swallow the input for good.
KeyUnit Unit_ControlSequence(const std::string& bytes, std::size_t at) {
  for (std::size_t end = at + 2; end < bytes.size(); ++end) {
    unsigned char c = Byte_At(bytes, end);
    if (c >= 0x40 && c <= 0x7E) return {end - at + 1, Sequence_Scancode(c)};
    if (c < 0x20 || c > 0x3F) return {end - at, -1};
  }
  return UNIT_INCOMPLETE;
}

// ESC O and one more byte (F1 as ESC O P, arrows in application mode).
KeyUnit Unit_SingleShift(const std::string& bytes, std::size_t at) {
  if (at + 2 >= bytes.size()) return UNIT_INCOMPLETE;
  unsigned char c = Byte_At(bytes, at + 2);
  if (c >= 0x20 && c <= 0x7E) return {3, Sequence_Scancode(c)};
  return {2, -1};  // Alt+O; the next byte starts anew
}

// An ESC at bytes[at] is Escape only when nothing followed it in time (`quiet`);
// followed by a byte that starts no sequence it is Alt with that key.
KeyUnit Unit_EscapeSequence(const std::string& bytes, std::size_t at, bool quiet) {
  if (at + 1 >= bytes.size()) return quiet ? KeyUnit{1, SC_ESCAPE} : UNIT_INCOMPLETE;
  switch (bytes[at + 1]) {
    case '[':
      return Unit_ControlSequence(bytes, at);
    case 'O':
      return Unit_SingleShift(bytes, at);
    default:
      return {2, -1};
  }
}

// Before another ESC, an ESC is Alt held with that key (Alt+Escape, Alt with
// an arrow): none of ours.
KeyUnit Unit_Escape(const std::string& bytes, std::size_t at, bool quiet) {
  std::size_t last = at;
  while (last + 1 < bytes.size() && Byte_At(bytes, last + 1) == ESC) ++last;
  KeyUnit unit = Unit_EscapeSequence(bytes, last, quiet);
  if (unit.length == 0 || last == at) return unit;
  return {unit.length + (last - at), -1};
}

KeyUnit Unit_At(const std::string& bytes, std::size_t at, bool quiet) {
  if (Byte_At(bytes, at) == ESC) return Unit_Escape(bytes, at, quiet);
  return {1, Keys_ScancodeForChar(bytes[at])};
}

void Keys_Mark(int scancode) {
  if (scancode >= 0 && scancode < SC_COUNT) {
    keys.pressed[scancode] = true;
  } else {
    keys.other_pressed = true;
  }
}

// Takes the whole keys off the front of the pending bytes; what stays is the
// start of a key still arriving.
void Keys_Parse(bool quiet) {
  std::size_t at = 0;
  while (at < keys.pending.size()) {
    KeyUnit unit = Unit_At(keys.pending, at, quiet);
    if (unit.length == 0) break;
    Keys_Mark(unit.scancode);
    at += unit.length;
  }
  keys.pending.erase(0, at);
  // Only parameter bytes can keep a sequence open; no key is this long.
  if (keys.pending.size() > MAX_SEQUENCE_BYTES) keys.pending.clear();
}

bool Keys_PendingOnlyEscapes() {
  return !keys.pending.empty() &&
         keys.pending.find_first_not_of(static_cast<char>(ESC)) == std::string::npos;
}

// Terminals send a sequence in one burst, so an ESC that nothing follows
// within the wait is the Escape key. A sequence under way (ESC [ ...) waits
// for its remaining bytes however late they come.
void Keys_ReadInput() {
  Input_ReadAvailable(keys.pending);
  Keys_Parse(false);
  if (!Keys_PendingOnlyEscapes()) return;
  bool more = Input_Readable(ESCAPE_SEQUENCE_WAIT_MS);
  if (more) Input_ReadAvailable(keys.pending);
  Keys_Parse(!more);
}

}  // namespace

bool ConsoleKeys_Take(int scancode) {
  if (scancode < 0 || scancode >= SC_COUNT) return false;
  std::lock_guard lock(keys_mutex);
  if (!Terminal_Usable()) return false;
  Keys_ReadInput();
  bool pressed = keys.pressed[scancode];
  keys.pressed[scancode] = false;
  keys.other_pressed = false;  // no look can ever take it
  return pressed;
}

bool ConsoleKeys_PressWaiting() {
  std::lock_guard lock(keys_mutex);
  if (!Terminal_Usable()) return false;
  Keys_ReadInput();
  for (bool pressed : keys.pressed) {
    if (pressed) return true;
  }
  return keys.other_pressed;
}

bool ConsoleKeys_CanDeliver() {
  std::lock_guard lock(keys_mutex);
  return Terminal_Usable() && keys.state == StdinState::Terminal;
}

void ConsoleKeys_Restore() {
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
