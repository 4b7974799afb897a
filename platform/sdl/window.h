// The SDL window that shows the framebuffer. Without it (an in-memory screen)
// all of these do nothing.
#pragma once

#include <SDL_events.h>
#include <SDL_video.h>

#include "platform/screen.h"

// Opens a width x height window at the desktop's top-left corner; `flags` as
// for OpenScreen. False (and nothing open) when there is no display.
bool Window_Open(int width, int height, int flags);

bool Window_IsOpen();

// Copies the whole framebuffer into the window and shows it.
void Window_Present(const Colour* pixels, int width, int height);

// Reads the window's pending events: keys into the window key state, closing
// the window as Escape. Call on the thread that opened the window.
void Window_PumpEvents();

// One event as the pump sees it; tests feed events here without a window.
void Window_HandleEvent(const SDL_Event& event);

// The SDL window, for tests; null without one.
SDL_Window* Window_Handle();

// Closes the window and releases SDL; used at exit.
void Window_Close();
