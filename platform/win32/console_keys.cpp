// Keys from the console window: its input events give presses and releases
// with set-1 scan codes, so a key reads as down while it is held, and a press
// released before anyone looked still reads as down once. Events only reach
// the console while its window has the focus, and a key counts only while it
// has: losing the focus releases every key and forgets presses not yet seen.
#include <windows.h>

#include <array>
#include <mutex>

#include "console_keys.h"
#include "platform/keys.h"

namespace {

// Keys the game cannot name (F5, Home) share one slot: their presses still
// end a wait for a key.
constexpr int UNNAMED_KEY = SC_COUNT;
constexpr int KEY_SLOTS = SC_COUNT + 1;
constexpr DWORD EVENTS_PER_READ = 32;

enum class InputState { Unchecked, NotConsole, Console, Gone };

struct ConsoleKeys {
  InputState state = InputState::Unchecked;
  HANDLE input = nullptr;
  std::array<bool, KEY_SLOTS> down{};
  std::array<bool, KEY_SLOTS> pressed{};  // since the last look
};

std::mutex keys_mutex;
ConsoleKeys keys;

// Caller holds keys_mutex. A pipe, a file or no input at all has no keys.
bool Console_Usable() {
  if (keys.state == InputState::Unchecked) {
    keys.input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    bool console = keys.input != nullptr && keys.input != INVALID_HANDLE_VALUE &&
                   GetConsoleMode(keys.input, &mode) != 0;
    keys.state = console ? InputState::Console : InputState::NotConsole;
  }
  return keys.state == InputState::Console;
}

int Key_Slot(const KEY_EVENT_RECORD& key) {
  UINT scancode = key.wVirtualScanCode;
  // Some sources leave the scan code out; the virtual key still names it.
  if (scancode == 0) scancode = MapVirtualKeyA(key.wVirtualKeyCode, MAPVK_VK_TO_VSC);
  return scancode >= 1 && scancode < SC_COUNT ? static_cast<int>(scancode) : UNNAMED_KEY;
}

void Keys_Take(const INPUT_RECORD& record) {
  if (record.EventType == FOCUS_EVENT) {
    if (!record.Event.FocusEvent.bSetFocus) {
      keys.down.fill(false);
      keys.pressed.fill(false);
    }
    return;
  }
  if (record.EventType != KEY_EVENT) return;
  const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  const int slot = Key_Slot(key);
  keys.down[slot] = key.bKeyDown != 0;
  if (key.bKeyDown) keys.pressed[slot] = true;
}

// Takes every waiting event. Waiting on the handle, even for no time, is what
// lets the console fill its buffer from where the keys really come from (on
// some consoles asking for the number of events alone never sees any).
void Keys_ReadInput() {
  while (WaitForSingleObject(keys.input, 0) == WAIT_OBJECT_0) {
    DWORD waiting = 0;
    if (!GetNumberOfConsoleInputEvents(keys.input, &waiting)) {
      keys.state = InputState::Gone;
      return;
    }
    if (waiting == 0) return;
    INPUT_RECORD records[EVENTS_PER_READ];
    DWORD got = 0;
    if (!ReadConsoleInputA(keys.input, records, EVENTS_PER_READ, &got) || got == 0) {
      keys.state = InputState::Gone;
      return;
    }
    for (DWORD i = 0; i < got; ++i) Keys_Take(records[i]);
  }
}

}  // namespace

bool ConsoleKeys_Take(int scancode) {
  if (scancode < 0 || scancode >= SC_COUNT) return false;
  std::lock_guard lock(keys_mutex);
  if (!Console_Usable()) return false;
  Keys_ReadInput();
  bool down = keys.down[scancode] || keys.pressed[scancode];
  keys.pressed[scancode] = false;
  keys.pressed[UNNAMED_KEY] = false;  // no look can ever take it
  return down;
}

bool ConsoleKeys_PressWaiting() {
  std::lock_guard lock(keys_mutex);
  if (!Console_Usable()) return false;
  Keys_ReadInput();
  for (bool pressed : keys.pressed) {
    if (pressed) return true;
  }
  return false;
}

bool ConsoleKeys_CanDeliver() {
  std::lock_guard lock(keys_mutex);
  return Console_Usable();
}

// The console's modes are never changed: its input events come whatever the
// line editing and echo settings are.
void ConsoleKeys_Restore() {}
