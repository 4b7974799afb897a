// Console lines drawn into the window.
#pragma once

#include <string_view>

// Draws the line at the text cursor and moves the cursor down a line, back to
// the top past the last line that fits. Only on the screen's own thread.
void WindowText_PrintLine(std::string_view text);

// Back to the top line; for a freshly opened screen.
void WindowText_Reset();

// Releases the font; used at exit.
void WindowText_Close();
