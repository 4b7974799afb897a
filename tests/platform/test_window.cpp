#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/console.h"
#include "platform/keys.h"
#include "platform/screen.h"
#include "platform_testing.h"
#include "sdl_window.h"
#include "support/display.h"

namespace {

std::uint32_t Window_PixelAt(int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(Window_Handle());
  if (surface == nullptr) return 0xDEADBEEF;
  const auto* row = static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch;
  Uint32 raw = 0;
  std::memcpy(&raw, row + x * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(raw, surface->format, &r, &g, &b);
  return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}

void Event_Push(Uint32 type, SDL_Scancode key = SDL_SCANCODE_UNKNOWN) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.scancode = key;
  SDL_PushEvent(&event);
}

TEST(WindowlessScreen, OpenScreenFailsWithoutADisplay) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_NE(OpenScreen(640, 480, 32, SCREEN_FLAG_BORDERLESS), 0);
  EXPECT_EQ(CreateImage(25, 25), nullptr);
}

struct WindowTest : ::testing::Test {
  // The window goes before its X server does: the fixture's own destructor
  // stops the server after TearDown.
  VirtualDisplay server;
  void SetUp() override {
    if (!server.ok()) GTEST_SKIP() << "Xvfb is not available";
    setenv("DISPLAY", server.display.c_str(), 1);
  }
  void TearDown() override { Screen_Close(); }
};

// Test programs take screenshots while the game opens its window: a client
// leaving the display must not turn away one that is just arriving.
TEST_F(WindowTest, WindowOpensWhileScreenshotsComeAndGo) {
  std::atomic<bool> opening{true};
  std::thread shooter([&] {
    while (opening) server.Shoot();
  });
  // A hundred openings, or five seconds where sanitizers slow each down.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int failed = 0;
  for (int i = 0; i < 100 && std::chrono::steady_clock::now() < end; ++i) {
    failed += OpenScreen(640, 480, 32, SCREEN_FLAG_BORDERLESS) != 0 ? 1 : 0;
    Screen_Close();
  }
  opening = false;
  shooter.join();
  EXPECT_EQ(failed, 0);
}

TEST_F(WindowTest, FramesKeysAndTextReachTheRealWindow) {
  ASSERT_EQ(OpenScreen(640, 480, 32, SCREEN_FLAG_BORDERLESS), 0) << "on " << server.display;
  SDL_Window* window = Window_Handle();
  ASSERT_NE(window, nullptr);
  Uint32 flags = SDL_GetWindowFlags(window);
  EXPECT_NE(flags & SDL_WINDOW_BORDERLESS, 0u);
  EXPECT_EQ(flags & (SDL_WINDOW_RESIZABLE | SDL_WINDOW_FULLSCREEN), 0u);
  int x = -1, y = -1, width = 0, height = 0;
  SDL_GetWindowPosition(window, &x, &y);
  SDL_GetWindowSize(window, &width, &height);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);

  LockScreen();
  DrawFilledBox(100, 100, 109, 109, 0xFF123456);
  EXPECT_EQ(Window_PixelAt(105, 105), 0u) << "shown before the frame was finished";
  UnlockScreen();
  EXPECT_EQ(Window_PixelAt(105, 105), 0x123456u);
  EXPECT_EQ(Window_PixelAt(110, 105), 0u);

  Event_Push(SDL_KEYDOWN, SDL_SCANCODE_W);
  Event_Push(SDL_KEYUP, SDL_SCANCODE_W);
  EXPECT_TRUE(IsKeyDown(SC_W)) << "a tap between two looks was lost";
  EXPECT_FALSE(IsKeyDown(SC_W));

  PrintLine("[Error]Something went wrong while loading .bmp files.");
  int lit = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 300; ++x) lit += Window_PixelAt(x, y) != 0;
  }
  EXPECT_GT(lit, 50) << "the line is not visible in the window";

  Event_Push(SDL_QUIT);
  EXPECT_TRUE(IsKeyDown(SC_ESCAPE));
}

}  // namespace
