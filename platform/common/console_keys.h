// Keys from the process's own console, for the time no window is open. Each
// OS supplies these: the terminal on standard input on POSIX systems
// (posix/terminal.cpp), the console's input events on Windows
// (win32/console_keys.cpp).
#pragma once

// Whether a press of that scancode has arrived since the last look; takes it.
// False when there is no console to read, it has gone away, or it does not
// have the focus (a background job on a terminal, an inactive console window).
bool ConsoleKeys_Take(int scancode);

// A whole key is waiting; leaves it to be taken.
bool ConsoleKeys_PressWaiting();

// Whether waiting for a key can ever end with one: there is a console that a
// person can type into.
bool ConsoleKeys_CanDeliver();

// Puts the console back as it was before the keys were read from it. Safe in a
// signal handler and at exit; does nothing when it was never changed.
void ConsoleKeys_Restore();
