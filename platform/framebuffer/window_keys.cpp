// The window's key state: events set and clear it. A press is latched until
// that key is looked at, so a tap shorter than a frame still reads as down
// once. A latch nobody looked at (D pressed while W held, which wins) must not
// turn into a step later: it lapses once a whole frame has been shown after
// its release, or once the key has been held down through a whole frame, since
// the frame's look then saw it down whether or not the player asked for it.
#include "window_keys.h"

#include <array>
#include <mutex>

#include "input.h"
#include "platform/keys.h"
#include "window.h"

namespace {

// Keys without a set-1 scancode of ours share one slot: they name nothing the
// game asks for, but their presses still end a wait for a key.
constexpr int UNNAMED_KEY = SC_COUNT;
constexpr int KEY_SLOTS = SC_COUNT + 1;
// Shows after the release that a latch survives: the frame of the release
// and the whole next one.
constexpr long LATCH_FRAMES = 2;

struct WindowKeyState {
  std::array<bool, KEY_SLOTS> down{};
  std::array<bool, KEY_SLOTS> latched{};      // pressed since the last look
  std::array<long, KEY_SLOTS> pressed_at{};   // `shown` when the key went down
  std::array<long, KEY_SLOTS> released_at{};  // `shown` when the key went up
  long shown = 0;                             // frames shown so far
  bool quit = false;                          // window closed: Escape for good
};

std::mutex keys_mutex;
WindowKeyState keys;

bool Keys_InRange(int scancode) {
  return scancode >= 0 && scancode < SC_COUNT;
}

// Called with keys_mutex held.
bool Latch_Live(int slot) {
  if (!keys.latched[slot]) return false;
  return keys.down[slot] || keys.shown - keys.released_at[slot] < LATCH_FRAMES;
}

}  // namespace

void WindowKeys_Event(int scancode, bool down) {
  const int slot = Keys_InRange(scancode) ? scancode : UNNAMED_KEY;
  std::lock_guard lock(keys_mutex);
  keys.down[slot] = down;
  if (down) {
    keys.latched[slot] = true;
    keys.pressed_at[slot] = keys.shown;
  } else {
    keys.released_at[slot] = keys.shown;
  }
}

void WindowKeys_ReleaseAll() {
  std::lock_guard lock(keys_mutex);
  for (int slot = 0; slot < KEY_SLOTS; ++slot) {
    if (!keys.down[slot]) continue;
    keys.down[slot] = false;
    keys.released_at[slot] = keys.shown;
  }
}

// A key pressed in the instant between a frame's look and its showing was
// not seen by that frame: its latch survives to the next one.
void WindowKeys_FrameShown() {
  std::lock_guard lock(keys_mutex);
  for (int slot = 0; slot < KEY_SLOTS; ++slot) {
    if (keys.down[slot] && keys.pressed_at[slot] < keys.shown) keys.latched[slot] = false;
  }
  ++keys.shown;
}

void WindowKeys_RequestQuit() {
  std::lock_guard lock(keys_mutex);
  keys.quit = true;
}

void WindowKeys_Reset() {
  std::lock_guard lock(keys_mutex);
  keys = WindowKeyState{};
}

bool WindowKeys_IsKeyDown(int scancode) {
  if (!Keys_InRange(scancode)) return false;
  Window_PumpEvents();
  std::lock_guard lock(keys_mutex);
  bool down = keys.down[scancode] || Latch_Live(scancode);
  keys.latched[scancode] = false;
  return down || (scancode == SC_ESCAPE && keys.quit);
}

bool WindowKeys_PressWaiting() {
  Window_PumpEvents();
  std::lock_guard lock(keys_mutex);
  if (keys.quit) return true;
  for (int slot = 0; slot < KEY_SLOTS; ++slot) {
    if (Latch_Live(slot)) return true;
  }
  return false;
}
