// Test hook: the window's key state fed as the event pump feeds it.
#include "platform_testing.h"
#include "window_keys.h"

void Keys_Press(int scancode) {
  WindowKeys_Event(scancode, true);
}

void Keys_Release(int scancode) {
  WindowKeys_Event(scancode, false);
}
