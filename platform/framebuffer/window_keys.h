// Key state of the window, fed by its key events.
#pragma once

// A key went down (a press, not a repeat) or up. Scancodes outside 0 to 127
// (-1 included) stand for keys the game cannot name: they never read as down
// but their presses end a wait for a key.
void WindowKeys_Event(int scancode, bool down);

// The outermost UnlockScreen showed a frame: the clock that lets a press that
// was never looked at lapse, after its release or while it is held.
void WindowKeys_FrameShown();

// Closing the window: Escape stays down from then on.
void WindowKeys_RequestQuit();

// All keys up, nothing latched; for a freshly opened screen.
void WindowKeys_Reset();

// The WindowHooks entries.
bool WindowKeys_IsKeyDown(int scancode);
bool WindowKeys_PressWaiting();

// Every key up at once, as when the window loses the focus: its key-ups then
// go to another window. Latched presses stay to be seen once.
void WindowKeys_ReleaseAll();
