// Keys from a terminal on standard input. A terminal reports presses only,
// never releases, so each key reads as down once. Escape is a lone ESC byte;
// ESC before another key is Alt held with it.
#pragma once

// Whether a key byte for that scancode has arrived since the last look; takes
// it. False when standard input is not a terminal, has hung up, or this
// process is not in the terminal's foreground (the terminal's "focus").
bool Terminal_TakeKey(int scancode);

// A whole key is waiting (the first bytes of an escape sequence are not one
// yet); leaves it to be taken.
bool Terminal_PressWaiting();

// Whether waiting for a key can ever end with one: standard input is a
// terminal that has not hung up and this process is in its foreground.
bool Terminal_CanDeliverKeys();

// Puts back the settings the terminal had before key-at-a-time mode. Safe in a
// signal handler and at exit; does nothing when they were never changed.
void Terminal_Restore();
