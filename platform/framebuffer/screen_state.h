// The screen's framebuffer, shared by the drawing, text and window files.
#pragma once

#include <vector>

#include "platform/screen.h"

struct ScreenState {
  bool open = false;
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;  // rows top to bottom
  int lock_depth = 0;
  int shown = 0;  // outermost unlocks
};

// The one screen. Touched only by the thread that opened it.
ScreenState& Screen_State();

// Window text and event pumping happen only on the thread that opened the
// screen: a window belongs to the thread that created it (its events arrive
// there). Any thread may ask.
bool Screen_OnOwnerThread();

// Sets up a width x height framebuffer owned by the calling thread and switches
// keys and console lines to the window; false (nothing changed) for a size out
// of range.
bool Screen_Start(int width, int height);

// Drops the screen and its window, if any: keys and lines go back to the terminal.
void Screen_Stop();
