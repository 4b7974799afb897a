// Hooks for tests: a screen without a window, and the window's key state fed
// directly. They live in platform_sdl_testing, which only tests and benches
// link; the programs do not carry them.
#pragma once

#include "platform/screen.h"

// Opens a width x height framebuffer without a window: CreateImage and the
// drawing operations work on it, IsKeyDown/WaitForKey/PrintLine switch to the
// window-style input as after OpenScreen, and UnlockScreen shows nothing.
void Screen_OpenInMemory(int width, int height);

// Drops the screen (closing its window, if any): no screen is open and keys
// and lines go back to the console.
void Screen_Close();

// The depth of LockScreen nesting, and how many times an outermost
// UnlockScreen has shown the whole framebuffer.
int Screen_LockDepth();
int Screen_ShowCount();

// The framebuffer, rows top to bottom, Screen_Width() x Screen_Height().
const Colour* Screen_Pixels();
int Screen_Width();
int Screen_Height();

// Feed the window's key state exactly as the event pump does (a scancode
// outside 0 to 127 is a key the game cannot name): a press is
// latched, so a key pressed and released before the next look at it reads down
// once, as long as that look comes before a whole frame has been shown since
// the release.
void Keys_Press(int scancode);
void Keys_Release(int scancode);
