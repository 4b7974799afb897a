// Input and console plumbing shared by the core services and the window
// backend. Not for programs.
#pragma once

#include <string_view>

// What the window backend supplies once a screen is open. While none is
// installed, keys come from the console and lines go to standard output only.
struct WindowHooks {
  // Down now, or pressed since the last look at that scancode (0 to 127) and
  // released no more than a frame ago.
  bool (*is_key_down)(int scancode) = nullptr;
  // A key press is waiting; does not take it out of the input.
  bool (*press_waiting)() = nullptr;
  // Draws the line into the window (standard output already has it).
  void (*print_line)(std::string_view text) = nullptr;
};

// Installs the hooks (which must outlive their use) or, with null, returns to
// the console. Safe against concurrent PrintLine calls.
void WindowHooks_Install(const WindowHooks* hooks);
const WindowHooks* WindowHooks_Current();

// A key press waiting in the current input, or a stop signal received.
bool Keys_PressWaiting();

// The set-1 scancode of a character typed on a terminal (letters of either
// case, digits, space, enter, tab, backspace), or -1.
int Keys_ScancodeForChar(char c);
