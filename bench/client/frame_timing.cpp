// The client's frame figures for builds without the benchmark library (the
// Windows build, run under Wine): a frame's work on an in-memory screen, in
// the default game and in the LAN game with three other players walking, and,
// with --window, the cost of showing a frame in a real window. Each figure is
// the median of five runs of 2000 frames.
//
// Usage: client_frame_timing [--window]
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "frame_setup.h"
#include "platform/clock.h"
#include "platform_testing.h"

namespace {

constexpr int FRAMES_PER_RUN = 2000;
constexpr int RUNS = 5;
constexpr const char* USAGE = "usage: client_frame_timing [--window]\n";

// Microseconds per call of `frame`, the median of the runs.
template <typename Frame>
double MedianMicroseconds(Frame frame) {
  std::array<double, RUNS> runs{};
  for (double& run : runs) {
    const double start = TimerSeconds();
    for (int i = 0; i < FRAMES_PER_RUN; ++i) frame();
    run = (TimerSeconds() - start) * 1e6 / FRAMES_PER_RUN;
  }
  std::sort(runs.begin(), runs.end());
  return runs[RUNS / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string option = argc == 2 ? argv[1] : "";
  if (option == "--help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  if (argc > 2 || (argc == 2 && option != "--window")) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  if (option == "--window") {
    if (OpenScreen(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, SCREEN_FLAG_BORDERLESS) != 0) {
      std::fputs("client_frame_timing: no display to open a window on\n", stderr);
      return 1;
    }
    const double present = MedianMicroseconds([] {
      LockScreen();
      UnlockScreen();
    });
    std::printf("present in window: %.1f us per frame\n", present);
  }
  Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
  static Game game;
  FrameBench_SetUpGame(game);
  const double work = MedianMicroseconds([] { FrameBench_RunFrame(game); });
  std::printf("frame work: %.1f us per frame (in memory, no pacing)\n", work);
  static Game lan_game;
  FrameBench_SetUpLanGame(lan_game);
  const double lan_work = MedianMicroseconds([] { FrameBench_RunLanFrame(lan_game); });
  std::printf("frame work, LAN game, three players walking: %.1f us per frame\n", lan_work);
  return 0;
}
