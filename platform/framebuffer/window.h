// The window that shows the framebuffer; each window backend supplies these
// (sdl/window.cpp on Linux, win32/window.cpp on Windows). Without a window (an
// in-memory screen) all of them do nothing.
#pragma once

#include "platform/screen.h"

// Opens a width x height window at the desktop's top-left corner; `flags` as
// for OpenScreen. False (and nothing open) when there is no display.
bool Window_Open(int width, int height, int flags);

bool Window_IsOpen();

// Copies the whole framebuffer into the window and shows it.
void Window_Present(const Colour* pixels, int width, int height);

// Reads the window's pending events: keys into the window key state, closing
// the window as Escape. Only on the thread that opened the window.
void Window_PumpEvents();

// Closes the window and releases what it holds.
void Window_Close();

// The same as the process ends; a backend may leave the window itself to the
// process end where destroying it first would only delay the exit.
void Window_CloseAtExit();
