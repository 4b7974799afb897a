// Keyboard services. Keys are named by PC set-1 scancodes (0 to 127).
#pragma once

inline constexpr int SC_ESCAPE = 1;
// The digits 1 to 9 follow in order, 0 after them.
inline constexpr int SC_1 = 2;
inline constexpr int SC_W = 17;
inline constexpr int SC_A = 30;
inline constexpr int SC_S = 31;
inline constexpr int SC_D = 32;
inline constexpr int SC_BACKSPACE = 14;
inline constexpr int SC_TAB = 15;
inline constexpr int SC_ENTER = 28;
inline constexpr int SC_SPACE = 57;
inline constexpr int SC_UP = 72;
inline constexpr int SC_LEFT = 75;
inline constexpr int SC_RIGHT = 77;
inline constexpr int SC_DOWN = 80;
inline constexpr int SC_COUNT = 128;

// True while the key is held down; false for scancodes outside 0 to 127.
// Before OpenScreen (and always in the server) this reads the console: on
// POSIX systems the terminal on standard input, where a lone ESC byte counts
// as Escape being down once; on Windows the console window's key events, only
// while it has the focus. When standard input is no terminal or console, no
// key is ever down. Once a window is open it follows the window's key events,
// and a press released between two looks still reads as down once, if that
// look comes before a whole frame (outermost UnlockScreen) has been shown
// since the release and the key was not held down through a whole frame
// before it. Requests to stop (SIGINT, SIGTERM, SIGHUP; Ctrl+C,
// Ctrl+Break, closing the console) and closing the window count as Escape.
bool IsKeyDown(int scancode);

// Returns once a press of any key is waiting in the input (window or console),
// checking every 50 ms, without taking it out of the input. Returns at once
// when standard input is no terminal or console or is at end of file (and no
// window is open), so a program started without a keyboard never hangs.
void WaitForKey();
