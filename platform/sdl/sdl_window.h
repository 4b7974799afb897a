// What the SDL window adds to the window interface, for its tests.
#pragma once

#include <SDL_events.h>
#include <SDL_scancode.h>
#include <SDL_video.h>

#include "window.h"

// One event as the pump sees it; tests feed events here without a window.
void Window_HandleEvent(const SDL_Event& event);

// The SDL window; null without one.
SDL_Window* Window_Handle();

// The set-1 scancode for an SDL scancode, or -1 for keys the game cannot name.
int WindowKeys_FromSdl(SDL_Scancode key);
