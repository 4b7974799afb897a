// The Win32 window: its key messages as set-1 scan codes with the shared latch
// rules, closing and focus loss, and a real window's shape and message pump.
#include <gtest/gtest.h>
#include <windows.h>

#include "input.h"
#include "platform/keys.h"
#include "platform/screen.h"
#include "platform_testing.h"
#include "win32_window.h"

namespace {

// lParam of a key message: the scan code in bits 16-23, bit 24 for an
// extended key (E0 prefix), bit 30 when the key was already down (an
// auto-repeat), bits 30 and 31 on a release.
LPARAM Key_Param(int scancode, bool repeat, bool release, bool extended = false) {
  unsigned long param = 1 | (static_cast<unsigned long>(scancode) << 16);
  if (extended) param |= 1UL << 24;
  if (repeat || release) param |= 1UL << 30;
  if (release) param |= 1UL << 31;
  return static_cast<LPARAM>(param);
}

void Key_Down(int scancode, bool repeat = false, bool extended = false) {
  Window_HandleMessage(WM_KEYDOWN, 0, Key_Param(scancode, repeat, false, extended));
}
void Key_Up(int scancode, bool extended = false) {
  Window_HandleMessage(WM_KEYUP, 0, Key_Param(scancode, false, true, extended));
}

struct Win32KeysTest : ::testing::Test {
  void SetUp() override { Screen_OpenInMemory(32, 32); }
  void TearDown() override { Screen_Close(); }
};

// Windows names keys by the same set-1 scan codes the game uses.
TEST_F(Win32KeysTest, ScanCodesAreTheGamesKeysAndRepeatsAreNoPress) {
  for (int scancode : {SC_ESCAPE, SC_W, SC_A, SC_S, SC_D, SC_SPACE, SC_UP, SC_LEFT}) {
    Key_Down(scancode);
    EXPECT_TRUE(IsKeyDown(scancode)) << scancode;
    Key_Up(scancode);
    EXPECT_FALSE(IsKeyDown(scancode)) << scancode;
  }
  Key_Down(SC_D);
  EXPECT_TRUE(IsKeyDown(SC_D));
  Key_Down(SC_D, true);
  Key_Up(SC_D);
  EXPECT_FALSE(IsKeyDown(SC_D)) << "a repeat latched a press the player never made";
}

// Mute is E0 20 and D is 20: the extended flag keeps them apart.
TEST_F(Win32KeysTest, ExtendedKeysAreNotThePlainKeysOfTheirNumber) {
  Key_Down(SC_D, false, true);
  EXPECT_FALSE(IsKeyDown(SC_D)) << "Mute read as D";
  EXPECT_TRUE(Keys_PressWaiting()) << "an extended key did not end a wait";
  Key_Up(SC_D, true);
  Key_Down(SC_UP, false, true);
  EXPECT_TRUE(IsKeyDown(SC_UP)) << "the arrow key lost its name";
  Key_Up(SC_UP, true);
  EXPECT_FALSE(IsKeyDown(SC_UP));
}

TEST_F(Win32KeysTest, ClosingIsEscapeForGoodAndFocusLossReleasesKeys) {
  Key_Down(SC_W);
  Window_HandleMessage(WM_KILLFOCUS, 0, 0);
  EXPECT_TRUE(IsKeyDown(SC_W)) << "the press itself was lost";
  EXPECT_FALSE(IsKeyDown(SC_W)) << "W stayed held after the focus went";
  EXPECT_EQ(Window_HandleMessage(WM_CLOSE, 0, 0), 0) << "the close went on to destroy the window";
  EXPECT_TRUE(IsKeyDown(SC_ESCAPE));
  EXPECT_TRUE(IsKeyDown(SC_ESCAPE));
}

TEST(Win32Window, APopupAtTheTopLeftWhoseMessagesArriveThroughThePump) {
  ASSERT_EQ(OpenScreen(640, 480, 32, SCREEN_FLAG_BORDERLESS), 0);
  HWND window = Window_Handle();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetWindowLongA(window, GWL_STYLE) & WS_POPUP, 0);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 640);
  EXPECT_EQ(rect.bottom - rect.top, 480);
  EXPECT_NE(OpenScreen(640, 480, 32, SCREEN_FLAG_BORDERLESS), 0) << "a second window opened";

  LockScreen();
  DrawFilledBox(100, 100, 109, 109, 0xFF123456);
  UnlockScreen();
  HDC dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, 105, 105), RGB(0x12, 0x34, 0x56)) << "the frame is not in the window";
  EXPECT_EQ(GetPixel(dc, 110, 105), RGB(0, 0, 0));
  ReleaseDC(window, dc);

  PostMessageA(window, WM_KEYDOWN, 0, Key_Param(SC_S, false, false));
  PostMessageA(window, WM_KEYUP, 0, Key_Param(SC_S, false, true));
  EXPECT_TRUE(IsKeyDown(SC_S)) << "a tap between two looks was lost";
  EXPECT_FALSE(IsKeyDown(SC_S));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsKeyDown(SC_ESCAPE));
  EXPECT_TRUE(IsWindow(window)) << "closing must leave the clean-up to the program";
  Screen_Close();
}

}  // namespace
