// Key state of the window, fed by its key events.
#pragma once

#include <SDL_scancode.h>

// The set-1 scancode for an SDL scancode, or -1 for keys the game cannot name.
int WindowKeys_FromSdl(SDL_Scancode key);

// Closing the window: Escape stays down from then on.
void WindowKeys_RequestQuit();

// All keys up, nothing latched; for a freshly opened screen.
void WindowKeys_Reset();

// The WindowHooks entries.
bool WindowKeys_IsKeyDown(int scancode);
bool WindowKeys_PressWaiting();
