// The screen: opening it (window or in memory), the nesting lock, and the
// switch of keys and console lines to the window.
#include <atomic>
#include <cstdlib>
#include <thread>

#include "input.h"
#include "platform/screen.h"
#include "screen_state.h"
#include "window.h"
#include "window_keys.h"
#include "window_text.h"

namespace {

constexpr int SCREEN_BITS_PER_PIXEL = 32;
constexpr int MAX_SCREEN_SIDE = 16384;

ScreenState screen;
std::atomic<std::thread::id> screen_owner{};

const WindowHooks WINDOW_HOOKS{WindowKeys_IsKeyDown, WindowKeys_PressWaiting, WindowText_PrintLine};

void Screen_Detach() {
  WindowHooks_Install(nullptr);
  WindowText_Close();
}

// Runs before the engine's own exit-time clean-up (registered later than its
// static objects), so anything the engine prints then goes to standard output.
void Screen_CloseAtExit() {
  Screen_Detach();
  Window_CloseAtExit();
}

bool Screen_SizeValid(int width, int height) {
  return width >= 1 && height >= 1 && width <= MAX_SCREEN_SIDE && height <= MAX_SCREEN_SIDE;
}

}  // namespace

ScreenState& Screen_State() {
  return screen;
}

bool Screen_OnOwnerThread() {
  return screen_owner.load() == std::this_thread::get_id();
}

bool Screen_Start(int width, int height) {
  if (!Screen_SizeValid(width, height)) return false;
  screen.open = true;
  screen.width = width;
  screen.height = height;
  screen.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  screen.lock_depth = 0;
  screen_owner.store(std::this_thread::get_id());
  WindowKeys_Reset();
  WindowText_Reset();
  WindowHooks_Install(&WINDOW_HOOKS);
  return true;
}

void Screen_Stop() {
  Screen_Detach();
  Window_Close();
  screen = ScreenState{};
  screen_owner.store(std::thread::id{});
}

int OpenScreen(int width, int height, int bits_per_pixel, int flags) {
  if (Window_IsOpen() || !Screen_SizeValid(width, height)) return 1;
  if (bits_per_pixel != SCREEN_BITS_PER_PIXEL) return 1;
  if (!Window_Open(width, height, flags)) return 1;
  static bool close_registered = false;
  if (!close_registered) close_registered = std::atexit(Screen_CloseAtExit) == 0;
  Screen_Start(width, height);
  Window_Present(screen.pixels.data(), width, height);
  return 0;
}

void LockScreen() {
  ++screen.lock_depth;
}

// An unmatched unlock only shows the picture again; the depth never goes below 0.
// Key events that came in during the frame are taken before the frame counts
// as shown, so a release is dated to the frame it happened in.
void UnlockScreen() {
  if (screen.lock_depth > 0) --screen.lock_depth;
  if (screen.lock_depth == 0 && screen.open) {
    Window_PumpEvents();
    ++screen.shown;
    WindowKeys_FrameShown();
    Window_Present(screen.pixels.data(), screen.width, screen.height);
  }
}
