// What the Win32 window adds to the window interface, for its tests.
#pragma once

#include <windows.h>

#include "window.h"

// One message as the window procedure sees it; tests feed messages here
// without a window. Returns what the procedure returns, or -1 for a message
// the window leaves to Windows.
LRESULT Window_HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

// The window; null without one.
HWND Window_Handle();
