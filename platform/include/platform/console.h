// Console lines and the end of the program.
#pragma once

#include <string_view>

// Writes the text and a line break, whole, from any thread. Before OpenScreen
// (and always in the server) it goes to standard output, flushed at once; once
// a window is open it is drawn into the window at the text cursor.
void PrintLine(std::string_view text);

// As PrintLine, but to standard output only, never into the window.
void Console_WriteLine(std::string_view text);

// Ends the process with `code` after the normal exit-time clean-up (the
// engine's included). -1 shows as 255 in the exit status.
[[noreturn]] void EndProgram(int code);

// Prepares the process's console and makes requests to stop count as Escape.
// On POSIX systems it reopens /dev/null on any of descriptors 0, 1 and 2 that
// is closed (so no socket can take their place), puts a terminal on standard
// input into key-at-a-time mode for the run and restores it on every exit
// path, and handles SIGINT, SIGTERM and SIGHUP; on Windows it handles Ctrl+C,
// Ctrl+Break and the closing of the console window. Runs before main();
// calling it again does nothing.
void Console_Init();
