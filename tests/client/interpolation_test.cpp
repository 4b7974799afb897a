// The playback of other players' figures: where a walk is drawn at a given
// time from its reports and their arrival times.
#include "interpolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "remote_playback.h"

namespace {

constexpr double PACE = INTERP_FIRST_PACE;
constexpr int STEPS = 120;

// A player shown standing at x 0, who after a pause walks STEPS pixels along
// x, report `step` arriving `arrival(step)` seconds into the walk, drawn in
// frames at the pace: the first position shows at once, the walk waits its
// cushion, then moves at most 2 pixels a frame and reaches the last report a
// cushion after it came; a jump after it shows at once. The frames it stood.
int Walk(double (*arrival)(int step)) {
  InterpTrack track;
  InterpTrack_Add(track, 0, 50, 1.0);
  EXPECT_FALSE(InterpTrack_Position(track, 0.999).present);
  EXPECT_TRUE(InterpTrack_Position(track, 1.0).present);
  const double start = 1.0 + 2 * INTERP_PAUSE;
  const int cushion = static_cast<int>(INTERP_DELAY / PACE);
  int frame = 0;
  int standing = 0;
  for (int step = 1, x = 0; x < STEPS && frame < 1000; ++frame) {
    const double now = start + frame * PACE;
    for (; step <= STEPS && start + arrival(step) <= now; ++step) {
      InterpTrack_Add(track, step, 50, start + arrival(step));
    }
    const int last = x;
    x = InterpTrack_Position(track, now).x;
    EXPECT_TRUE(frame >= cushion || x == 0) << "moved before the cushion filled";
    EXPECT_LE(std::abs(x - last), 2) << frame;
    standing += frame > cushion && x == last;
  }
  EXPECT_NEAR(frame, STEPS + cushion, 2);
  InterpTrack_Add(track, 400, 300, start + 3.0);
  EXPECT_EQ(InterpTrack_Position(track, start + 3.0).x, 400);
  return standing;
}

// Reports in bursts of four, one burst 30 ms late (a lost packet sent again),
// play back a pixel a frame. A stall longer than the cushion makes the figure
// stand, then it catches up at most twice the pace.
TEST(Interpolation, BurstsAndALateReportPlayBackEvenlyAStallIsCaughtUpWith) {
  EXPECT_EQ(Walk([](int step) { return (step / 4) * 4 * PACE + (step / 4 == 10) * 0.030; }), 0);
  EXPECT_GT(Walk([](int step) { return (step >= 60 && step < 75 ? 75 : step) * PACE; }), 0);
}

// Leaving during the playback removes the figure at once; the seat's next
// player shows where it is at once. (The connection's end: the LAN frame's.)
TEST(Interpolation, ADepartureDuringPlaybackRemovesTheFigureAtOnce) {
  InterpSeats tracks;
  RemotePlayers figures;
  const Enemy& two = figures.seats[1];
  // Seat 2's event in frame `frame`, and the figures drawn then.
  const auto hear = [&](int frame, LanEventKind kind, std::int32_t x) {
    InterpSeats_Apply(tracks, {.kind = kind, .seat = 2, .x = x, .name = {}}, frame * PACE);
    RemotePlayers_Follow(figures, tracks, frame * PACE);
  };
  for (int frame = 0; frame <= 20; ++frame) hear(frame, LanEventKind::Moved, 100 + frame);
  EXPECT_EQ(two.active, 1);
  EXPECT_LT(two.x, 120);  // behind the reports
  hear(21, LanEventKind::Left, 0);
  EXPECT_EQ(two.active, 0);
  hear(22, LanEventKind::Moved, 300);
  EXPECT_EQ(two.active, 1);
  EXPECT_EQ(two.x, 300);
}

}  // namespace
