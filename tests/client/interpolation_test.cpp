// The playback of other players' figures: where a walk is drawn at a given
// time from its reports and their arrival times.
#include "interpolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "remote_playback.h"

namespace {

constexpr double PACE = INTERP_FIRST_PACE;

std::int32_t DrawnX(const InterpTrack& track, double now) {
  const InterpPosition shown = InterpTrack_Position(track, now);
  EXPECT_TRUE(shown.present);
  return shown.x;
}

// Reports along x, each with its arrival time, taken in as frames at the
// pace come by: the largest step and the frames standing still of those
// drawn from `measured` on, and where the figure is drawn at the end.
struct Report {
  std::int32_t x = 0;
  double arrival = 0.0;
};
// The x drawn in each frame.
std::vector<std::int32_t> Play(InterpTrack& track, const std::vector<Report>& reports, double from,
                               double to) {
  std::vector<std::int32_t> frames;
  std::size_t taken = 0;
  for (int frame = 0; from + frame * PACE < to; ++frame) {
    const double now = from + frame * PACE;
    for (; taken < reports.size() && reports[taken].arrival <= now; ++taken) {
      InterpTrack_Add(track, reports[taken].x, 50, reports[taken].arrival);
    }
    frames.push_back(DrawnX(track, now));
  }
  return frames;
}

// The largest step and the frames standing still from frame `first` on.
struct Drawn {
  int largestStep = 0;
  int standing = 0;
};
Drawn Measure(const std::vector<std::int32_t>& frames, std::size_t first) {
  Drawn drawn;
  for (std::size_t k = first + 1; k < frames.size(); ++k) {
    drawn.largestStep = std::max(drawn.largestStep, std::abs(frames[k] - frames[k - 1]));
    if (frames[k] == frames[k - 1]) ++drawn.standing;
  }
  return drawn;
}

// A walk whose reports come in bursts of four, and six of them 30 ms late
// (a lost packet sent again), plays back one pixel a frame a fixed time
// behind; the first position shows at once, and so does a jump.
TEST(Interpolation, BurstsAndALateReportPlayBackEvenly) {
  InterpTrack track;
  InterpTrack_Add(track, 100, 50, 1.0);
  EXPECT_FALSE(InterpTrack_Position(track, 0.999).present);
  EXPECT_EQ(DrawnX(track, 1.0), 100);
  const double start = 1.0 + 2 * INTERP_PAUSE;
  std::vector<Report> reports;
  for (int step = 1; step <= 120; ++step) {
    double arrival = start + (step / 4) * 4 * PACE;
    if (step >= 40 && step < 46) arrival = start + 40 * PACE + 0.030;
    reports.push_back(
        {100 + step, std::max(arrival, reports.empty() ? 0 : reports.back().arrival)});
  }
  std::vector<std::int32_t> frames = Play(track, reports, start, start + 3.0);
  const std::size_t cushion = static_cast<std::size_t>(INTERP_DELAY / PACE);
  EXPECT_EQ(frames[cushion - 1], 100);  // the cushion fills first
  EXPECT_EQ(frames.back(), 220);
  frames.erase(std::find(frames.begin(), frames.end(), 220) + 1, frames.end());
  const Drawn drawn = Measure(frames, cushion);
  EXPECT_LE(drawn.largestStep, 2);  // the first burst, caught up with
  EXPECT_EQ(drawn.standing, 0);
  // A jump shows as it comes.
  InterpTrack_Add(track, 400, 300, start + 3.0);
  EXPECT_EQ(DrawnX(track, start + 3.0), 400);
}

// A stall longer than the cushion: the figure stands, then catches up at
// most twice the pace, and is back to a fixed time behind soon after.
TEST(Interpolation, AReportLaterThanTheCushionIsCaughtUpWith) {
  InterpTrack track;
  const double stall = 0.250;
  std::vector<Report> reports;
  for (int step = 0; step <= 240; ++step) {
    double arrival = step * PACE;
    if (step >= 60 && step < 60 + stall / PACE) arrival = 60 * PACE + stall;
    reports.push_back({step, arrival});
  }
  const std::vector<std::int32_t> frames = Play(track, reports, 0.0, 200 * PACE + INTERP_DELAY);
  const Drawn drawn = Measure(frames, static_cast<std::size_t>(INTERP_DELAY / PACE) + 1);
  EXPECT_LE(drawn.largestStep, 2);
  EXPECT_GT(drawn.standing, 0);
  EXPECT_NEAR(frames.back(), 200, 1);
}

// Leaving during the playback, or the connection's end, removes the figure
// at once; the seat's next player starts afresh with a jump, facing up.
TEST(Interpolation, ADepartureDuringPlaybackRemovesTheFigureAtOnce) {
  InterpSeats tracks;
  LanEvent moved;
  moved.seat = 2;
  for (int step = 0; step < 30; ++step) {
    moved.x = 100 + step;
    moved.y = 50;
    InterpSeats_Apply(tracks, moved, step * PACE);
  }
  RemotePlayers figures;
  RemotePlayers_Follow(figures, tracks, 10 * PACE);
  const Enemy& two = figures.seats[1];
  EXPECT_EQ(two.active, 1);
  RemotePlayers_Follow(figures, tracks, 20 * PACE);
  EXPECT_EQ(two.direction, DIR_RIGHT);
  EXPECT_LT(two.x, 129);  // still behind the reports
  const int animation = two.animCounter;
  RemotePlayers_Follow(figures, tracks, 20 * PACE);
  EXPECT_EQ(two.animCounter, animation);  // a frame in place does not animate

  LanEvent left;
  left.kind = LanEventKind::Left;
  left.seat = 2;
  InterpSeats_Apply(tracks, left, 21 * PACE);
  RemotePlayers_Follow(figures, tracks, 21 * PACE);
  EXPECT_EQ(two.active, 0);
  moved.x = 300;
  InterpSeats_Apply(tracks, moved, 22 * PACE);
  RemotePlayers_Follow(figures, tracks, 22 * PACE);
  EXPECT_EQ(two.active, 1);
  EXPECT_EQ(two.x, 300);
  EXPECT_EQ(two.direction, DIR_UP);
  InterpSeats_Clear(tracks);
  RemotePlayers_Follow(figures, tracks, 23 * PACE);
  EXPECT_EQ(two.active, 0);
}

}  // namespace
