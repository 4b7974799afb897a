// Modes that both console helper programs (the POSIX terminal one and the
// Windows console one) run the same way.
#pragma once

// How long a key-reporting mode runs before it gives up.
inline constexpr double KEY_LOOP_SECONDS = 30.0;

// Many threads print at once; every line must come out whole.
int ConsoleMode_Print();
// Without a console or terminal: no key is down and waiting returns at once.
// Prints "down=D waited_ms=N".
int ConsoleMode_NoKeys();
// Waits for a key, then checks that the key is still in the input: prints
// "WAITING", "GOT KEY" and, if A was the key, "A STILL THERE".
[[noreturn]] void ConsoleMode_WaitKey();
