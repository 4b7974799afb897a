// The window's key state: events set and clear it. A press is latched until
// that key is looked at, so a tap shorter than a frame still reads as down
// once; a latched key that is already up lapses once a whole frame has been
// shown after its release, so a tap that nobody looked at (D tapped while W
// held) never turns into a step long after it.
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
  std::array<long, KEY_SLOTS> released_at{};  // `shown` when the key went up
  long shown = 0;                             // frames shown so far
  bool quit = false;                          // window closed: Escape for good
};

std::mutex keys_mutex;
WindowKeyState keys;

// SDL keys beyond the letters and digits, with their set-1 scancodes.
struct SdlKey {
  SDL_Scancode sdl;
  int scancode;
};
constexpr SdlKey SDL_KEYS[] = {
    {SDL_SCANCODE_ESCAPE, SC_ESCAPE},  {SDL_SCANCODE_MINUS, 12},
    {SDL_SCANCODE_EQUALS, 13},         {SDL_SCANCODE_BACKSPACE, SC_BACKSPACE},
    {SDL_SCANCODE_TAB, SC_TAB},        {SDL_SCANCODE_LEFTBRACKET, 26},
    {SDL_SCANCODE_RIGHTBRACKET, 27},   {SDL_SCANCODE_RETURN, SC_ENTER},
    {SDL_SCANCODE_KP_ENTER, SC_ENTER}, {SDL_SCANCODE_LCTRL, 29},
    {SDL_SCANCODE_SEMICOLON, 39},      {SDL_SCANCODE_APOSTROPHE, 40},
    {SDL_SCANCODE_GRAVE, 41},          {SDL_SCANCODE_LSHIFT, 42},
    {SDL_SCANCODE_BACKSLASH, 43},      {SDL_SCANCODE_COMMA, 51},
    {SDL_SCANCODE_PERIOD, 52},         {SDL_SCANCODE_SLASH, 53},
    {SDL_SCANCODE_RSHIFT, 54},         {SDL_SCANCODE_LALT, 56},
    {SDL_SCANCODE_SPACE, SC_SPACE},    {SDL_SCANCODE_UP, SC_UP},
    {SDL_SCANCODE_LEFT, SC_LEFT},      {SDL_SCANCODE_RIGHT, SC_RIGHT},
    {SDL_SCANCODE_DOWN, SC_DOWN},
};

bool Keys_InRange(int scancode) {
  return scancode >= 0 && scancode < SC_COUNT;
}

// Called with keys_mutex held.
bool Latch_Live(int slot) {
  if (!keys.latched[slot]) return false;
  return keys.down[slot] || keys.shown - keys.released_at[slot] < LATCH_FRAMES;
}

}  // namespace

int WindowKeys_FromSdl(SDL_Scancode key) {
  if (key >= SDL_SCANCODE_A && key <= SDL_SCANCODE_Z) {
    return Keys_ScancodeForChar(static_cast<char>('a' + (key - SDL_SCANCODE_A)));
  }
  if (key >= SDL_SCANCODE_1 && key <= SDL_SCANCODE_0) {
    return Keys_ScancodeForChar("1234567890"[key - SDL_SCANCODE_1]);
  }
  for (const SdlKey& entry : SDL_KEYS) {
    if (entry.sdl == key) return entry.scancode;
  }
  return -1;
}

void WindowKeys_Event(int scancode, bool down) {
  const int slot = Keys_InRange(scancode) ? scancode : UNNAMED_KEY;
  std::lock_guard lock(keys_mutex);
  keys.down[slot] = down;
  if (down) {
    keys.latched[slot] = true;
  } else {
    keys.released_at[slot] = keys.shown;
  }
}

void WindowKeys_FrameShown() {
  std::lock_guard lock(keys_mutex);
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
