// The SDL window: a borderless window whose surface receives the framebuffer,
// and its event pump. Software only, so it runs on any X server, Xvfb included.
#include "sdl_window.h"

#include <SDL.h>

#include <cstdio>

#include "screen_state.h"
#include "window_keys.h"

namespace {

constexpr const char* WINDOW_TITLE = "Tile game";
// Only drivers that put a window on a desktop. Left to itself, SDL falls back
// to an invisible off-screen window when there is no display, and the player
// would face a game that seems to run but shows nothing. SDL_VIDEODRIVER in
// the environment still chooses otherwise.
constexpr const char* DESKTOP_VIDEO_DRIVERS = "x11,wayland";

SDL_Window* window = nullptr;

Uint32 Window_SdlFlags(int flags) {
  Uint32 sdl_flags = SDL_WINDOW_SHOWN;
  if ((flags & SCREEN_FLAG_BORDERLESS) != 0) sdl_flags |= SDL_WINDOW_BORDERLESS;
  return sdl_flags;
}

// After an expose the window may have lost its picture; show the last whole
// frame again unless one is being drawn.
void Window_ShowAgain() {
  ScreenState& screen = Screen_State();
  if (screen.open && screen.lock_depth == 0) {
    Window_Present(screen.pixels.data(), screen.width, screen.height);
  }
}

}  // namespace

bool Window_Open(int width, int height, int flags) {
  // Our own SIGINT/SIGTERM handling already turns them into Escape.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEODRIVER, DESKTOP_VIDEO_DRIVERS);
  // The window surface is plain shared memory with the X server; without this,
  // SDL would route it through an OpenGL texture and load a GL driver.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "Cannot open the window: %s\n", SDL_GetError());
    return false;
  }
  window = SDL_CreateWindow(WINDOW_TITLE, 0, 0, width, height, Window_SdlFlags(flags));
  if (window == nullptr) {
    std::fprintf(stderr, "Cannot open the window: %s\n", SDL_GetError());
    SDL_Quit();
    return false;
  }
  SDL_RaiseWindow(window);
  return true;
}

bool Window_IsOpen() {
  return window != nullptr;
}

void Window_Present(const Colour* pixels, int width, int height) {
  if (window == nullptr) return;
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return;
  int copy_width = surface->w < width ? surface->w : width;
  int copy_height = surface->h < height ? surface->h : height;
  SDL_LockSurface(surface);
  SDL_ConvertPixels(copy_width, copy_height, SDL_PIXELFORMAT_ARGB8888, pixels,
                    width * static_cast<int>(sizeof(Colour)), surface->format->format,
                    surface->pixels, surface->pitch);
  SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurface(window);
}

void Window_HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
      // Held keys repeat; only the first press is a press.
      if (event.key.repeat == 0)
        WindowKeys_Event(WindowKeys_FromSdl(event.key.keysym.scancode), true);
      break;
    case SDL_KEYUP:
      WindowKeys_Event(WindowKeys_FromSdl(event.key.keysym.scancode), false);
      break;
    case SDL_QUIT:
      WindowKeys_RequestQuit();
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) Window_ShowAgain();
      break;
    default:
      break;
  }
}

void Window_PumpEvents() {
  if (window == nullptr || !Screen_OnOwnerThread()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) Window_HandleEvent(event);
}

SDL_Window* Window_Handle() {
  return window;
}

void Window_Close() {
  if (window == nullptr) return;
  SDL_DestroyWindow(window);
  window = nullptr;
  SDL_Quit();
}

void Window_CloseAtExit() {
  Window_Close();
}
