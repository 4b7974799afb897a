// The client's work per frame on an in-memory screen (update, erase, draw of a
// full map and both sprites; no pacing sleep), the same in the LAN game with
// three other players walking, and the cost of showing a frame in a real
// window (only when DISPLAY names an X display).
//
// Usage: client_frame_bench [benchmark flags]   (run from anywhere)
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "frame_setup.h"
#include "platform_testing.h"

namespace {

void BM_FrameWork(benchmark::State& state) {
  Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
  static Game game;
  FrameBench_SetUpGame(game);
  for (auto _ : state) {
    FrameBench_RunFrame(game);
    benchmark::DoNotOptimize(Screen_Pixels()[40 * SCREEN_WIDTH + 40]);
  }
}
BENCHMARK(BM_FrameWork)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FrameWorkLan(benchmark::State& state) {
  Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
  static Game game;
  FrameBench_SetUpLanGame(game);
  for (auto _ : state) {
    FrameBench_RunLanFrame(game);
    benchmark::DoNotOptimize(Screen_Pixels()[40 * SCREEN_WIDTH + 40]);
  }
}
BENCHMARK(BM_FrameWorkLan)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_PresentInWindow(benchmark::State& state) {
  // A process opens its window once; the repetitions share it.
  static const bool window =
      std::getenv("DISPLAY") != nullptr &&
      OpenScreen(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, SCREEN_FLAG_BORDERLESS) == 0;
  if (!window) {
    state.SkipWithError("no X display to open a window on");
    return;
  }
  for (auto _ : state) {
    LockScreen();
    UnlockScreen();
  }
}
BENCHMARK(BM_PresentInWindow)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
