// The SDL window's events: which keys they name and which presses they make.
// Linux only: the SDL window is the Linux backend.
#include <gtest/gtest.h>

#include "input.h"
#include "platform/keys.h"
#include "platform_testing.h"
#include "sdl_window.h"

namespace {

struct WindowKeysTest : ::testing::Test {
  void SetUp() override { Screen_OpenInMemory(32, 32); }
  void TearDown() override { Screen_Close(); }
};
SDL_Event Key_Event(Uint32 type, SDL_Scancode key, Uint8 repeat) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.scancode = key;
  event.key.repeat = repeat;
  return event;
}

TEST_F(WindowKeysTest, AnyKeyPressEndsAWaitEvenOneTheGameCannotName) {
  for (SDL_Scancode key : {SDL_SCANCODE_F5, SDL_SCANCODE_KP_5, SDL_SCANCODE_HOME,
                           SDL_SCANCODE_RCTRL, SDL_SCANCODE_CAPSLOCK}) {
    Window_HandleEvent(Key_Event(SDL_KEYDOWN, key, 0));
    Window_HandleEvent(Key_Event(SDL_KEYUP, key, 0));
    EXPECT_TRUE(Keys_PressWaiting()) << SDL_GetScancodeName(key);
    UnlockScreen();
    UnlockScreen();
    EXPECT_FALSE(Keys_PressWaiting()) << SDL_GetScancodeName(key) << " never lapsed";
  }
}

TEST_F(WindowKeysTest, AutoRepeatIsNotAPress) {
  Window_HandleEvent(Key_Event(SDL_KEYDOWN, SDL_SCANCODE_D, 0));
  EXPECT_TRUE(IsKeyDown(SC_D));
  Window_HandleEvent(Key_Event(SDL_KEYDOWN, SDL_SCANCODE_D, 1));
  Window_HandleEvent(Key_Event(SDL_KEYUP, SDL_SCANCODE_D, 0));
  EXPECT_FALSE(IsKeyDown(SC_D)) << "a repeat latched a press the player never made";
}

TEST_F(WindowKeysTest, WindowKeysMapToSetOneScancodes) {
  const struct {
    SDL_Scancode sdl;
    int scancode;
  } keys[] = {{SDL_SCANCODE_ESCAPE, SC_ESCAPE},
              {SDL_SCANCODE_W, SC_W},
              {SDL_SCANCODE_A, SC_A},
              {SDL_SCANCODE_S, SC_S},
              {SDL_SCANCODE_D, SC_D},
              {SDL_SCANCODE_1, 2},
              {SDL_SCANCODE_0, 11},
              {SDL_SCANCODE_M, 50},
              {SDL_SCANCODE_SPACE, 57},
              {SDL_SCANCODE_RETURN, 28},
              {SDL_SCANCODE_UP, SC_UP},
              {SDL_SCANCODE_LEFT, SC_LEFT}};
  for (const auto& key : keys) {
    Window_HandleEvent(Key_Event(SDL_KEYDOWN, key.sdl, 0));
    EXPECT_TRUE(IsKeyDown(key.scancode)) << SDL_GetScancodeName(key.sdl);
    Window_HandleEvent(Key_Event(SDL_KEYUP, key.sdl, 0));
    EXPECT_FALSE(IsKeyDown(key.scancode)) << SDL_GetScancodeName(key.sdl);
  }
}

TEST_F(WindowKeysTest, ClosingTheWindowIsEscapeForGood) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  Window_HandleEvent(quit);
  EXPECT_TRUE(IsKeyDown(SC_ESCAPE));
  EXPECT_TRUE(IsKeyDown(SC_ESCAPE));
}

}  // namespace
