// Test hooks of the screen: a framebuffer without a window and a look inside.
#include "platform_testing.h"
#include "screen_state.h"

void Screen_OpenInMemory(int width, int height) {
  Screen_Start(width, height);
}

void Screen_Close() {
  Screen_Stop();
}

const Colour* Screen_Pixels() {
  return Screen_State().pixels.data();
}
int Screen_Width() {
  return Screen_State().width;
}
int Screen_Height() {
  return Screen_State().height;
}
int Screen_LockDepth() {
  return Screen_State().lock_depth;
}
int Screen_ShowCount() {
  return Screen_State().shown;
}
