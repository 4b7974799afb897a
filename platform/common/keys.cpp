// Key services: the console until a window backend installs its hooks.
#include "platform/keys.h"

#include <atomic>

#include "console_keys.h"
#include "input.h"
#include "pause.h"
#include "stop_request.h"

namespace {

constexpr int KEY_CHECK_INTERVAL_MS = 50;

std::atomic<const WindowHooks*> window_hooks{nullptr};

// Characters as a terminal delivers them, with their set-1 scancodes. Rows of
// the keyboard run in scancode order, which keeps this table short.
struct KeyRow {
  const char* characters;
  int first_scancode;
};
constexpr KeyRow KEY_ROWS[] = {
    {"1234567890", 2},
    {"qwertyuiop", 16},
    {"asdfghjkl", 30},
    {"zxcvbnm", 44},
};

bool Keys_InRange(int scancode) {
  return scancode >= 0 && scancode < SC_COUNT;
}

}  // namespace

void WindowHooks_Install(const WindowHooks* hooks) {
  window_hooks.store(hooks);
}

const WindowHooks* WindowHooks_Current() {
  return window_hooks.load();
}

int Keys_ScancodeForChar(char c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const KeyRow& row : KEY_ROWS) {
    for (int i = 0; row.characters[i] != '\0'; ++i) {
      if (row.characters[i] == c) return row.first_scancode + i;
    }
  }
  switch (c) {
    case ' ':
      return SC_SPACE;
    case '\r':
    case '\n':
      return SC_ENTER;
    case '\t':
      return SC_TAB;
    case '\b':
    case 0x7F:
      return SC_BACKSPACE;
    default:
      return -1;
  }
}

bool Keys_PressWaiting() {
  if (StopRequest_Pending()) return true;
  const WindowHooks* hooks = WindowHooks_Current();
  return hooks != nullptr ? hooks->press_waiting() : ConsoleKeys_PressWaiting();
}

bool IsKeyDown(int scancode) {
  if (!Keys_InRange(scancode)) return false;
  const WindowHooks* hooks = WindowHooks_Current();
  // Ask the input even when a stop signal is pending, so a window keeps
  // pumping its events.
  bool down = hooks != nullptr ? hooks->is_key_down(scancode) : ConsoleKeys_Take(scancode);
  return down || (scancode == SC_ESCAPE && StopRequest_Pending());
}

void WaitForKey() {
  while (!Keys_PressWaiting()) {
    // Without a window, a process with no console of its own (a service, CI,
    // a background job) would wait for ever: it has nobody to press a key.
    if (WindowHooks_Current() == nullptr && !ConsoleKeys_CanDeliver()) return;
    Pause_Ms(KEY_CHECK_INTERVAL_MS);
  }
}
