#include "interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "game/player_rules.h"

namespace {

const InterpMove& Track_Newest(const InterpTrack& track) {
  return track.moves[static_cast<std::size_t>(track.newest)];
}

// The k-th move back from the newest (0: the newest); k < count.
const InterpMove& Track_Back(const InterpTrack& track, int k) {
  const int index = (track.newest - k + INTERP_RING) % INTERP_RING;
  return track.moves[static_cast<std::size_t>(index)];
}

void Track_Push(InterpTrack& track, const InterpMove& move) {
  track.newest = track.count == 0 ? 0 : (track.newest + 1) % INTERP_RING;
  track.moves[static_cast<std::size_t>(track.newest)] = move;
  track.count = std::min(track.count + 1, INTERP_RING);
}

// The report at `arrival` is the first of a walk: the pace measured so far
// becomes the walk's prior, and its expected arrival is its arrival.
void Track_StartWalk(InterpTrack& track, double arrival) {
  track.priorPace = track.pace;
  track.walkStart = arrival;
  track.walkSteps = 0.0;
  track.expected = arrival;
}

// Time per step since the walk's first report, the prior pace counting as
// INTERP_PACE_WEIGHT steps of it: a long walk's jitter barely moves it.
void Track_MeasurePace(InterpTrack& track, double steps, double arrival) {
  track.walkSteps += steps;
  if (arrival - track.walkStart < INTERP_PACE_SPAN) return;
  const double seconds = track.priorPace * INTERP_PACE_WEIGHT + (arrival - track.walkStart);
  const double pace = seconds / (INTERP_PACE_WEIGHT + track.walkSteps);
  track.pace = std::clamp(pace, INTERP_PACE_MIN, INTERP_PACE_MAX);
}

void Track_Jump(InterpTrack& track, std::int32_t x, std::int32_t y, double arrival) {
  Track_Push(track, InterpMove{x, y, arrival, arrival});
  Track_StartWalk(track, arrival);
}

// The playback times of a step of `steps` pixels that arrived at `arrival`.
InterpMove Track_Schedule(InterpTrack& track, double steps, double arrival) {
  const InterpMove& previous = Track_Newest(track);
  const double duration = steps * track.pace;
  track.expected = std::min(arrival, track.expected + duration);
  // A report later than its cushion: expected from now on about as it came.
  track.expected = std::max(track.expected, arrival - INTERP_DELAY + INTERP_REBUILD);
  InterpMove move;
  // A figure already standing at the previous report starts as this one comes.
  move.from = std::max(previous.at, arrival);
  move.at = std::max(track.expected + INTERP_DELAY, move.from + duration / INTERP_CATCH_UP);
  move.from = std::max(move.from, move.at - duration);
  return move;
}

std::int32_t Lerp(std::int32_t from, std::int32_t to, double share) {
  return from + static_cast<std::int32_t>(std::lround((to - from) * share));
}

}  // namespace

void InterpTrack_Add(InterpTrack& track, std::int32_t x, std::int32_t y, double arrival) {
  if (track.count == 0) {
    track.lastArrival = arrival;
    Track_Jump(track, x, y, arrival);
    return;
  }
  const InterpMove& previous = Track_Newest(track);
  const std::int32_t steps = std::abs(x - previous.x) + std::abs(y - previous.y);
  const bool paused = arrival - track.lastArrival > INTERP_PAUSE;
  track.lastArrival = arrival;
  if (steps == 0) return;  // nothing to show, and no step to time
  if (steps > INTERP_TELEPORT_STEPS) {
    Track_Jump(track, x, y, arrival);
    return;
  }
  if (paused) {
    Track_StartWalk(track, arrival);
    track.expected = arrival - steps * track.pace;  // the step began at the walk's start
  } else {
    Track_MeasurePace(track, steps, arrival);
  }
  InterpMove move = Track_Schedule(track, steps, arrival);
  move.x = x;
  move.y = y;
  Track_Push(track, move);
}

void InterpTrack_Clear(InterpTrack& track) {
  track = InterpTrack{};
}

InterpPosition InterpTrack_Position(const InterpTrack& track, double now) {
  InterpPosition position;
  if (track.count == 0) return position;
  // The newest move begun by now; with none, the oldest kept.
  int k = 0;
  while (k < track.count && Track_Back(track, k).from > now) ++k;
  if (k == track.count) {
    // Not even the first report is due yet; a ring outrun shows its oldest.
    if (track.count < INTERP_RING) return position;
    k = track.count - 1;
  }
  const InterpMove& move = Track_Back(track, k);
  position.present = true;
  position.x = move.x;
  position.y = move.y;
  if (now >= move.at || k + 1 >= track.count) return position;
  const InterpMove& before = Track_Back(track, k + 1);
  const double share = (now - move.from) / (move.at - move.from);
  position.x = Lerp(before.x, move.x, share);
  position.y = Lerp(before.y, move.y, share);
  return position;
}

void InterpSeats_Apply(InterpSeats& seats, const LanEvent& event, double arrival) {
  const bool about_a_figure = event.kind == LanEventKind::Moved || event.kind == LanEventKind::Left;
  if (!about_a_figure || event.seat < 1 || event.seat > LAN_SEATS) return;
  InterpTrack& track = seats.seats[static_cast<std::size_t>(event.seat - 1)];
  if (event.kind == LanEventKind::Left) {
    InterpTrack_Clear(track);
    return;
  }
  if (!Player_Reportable(event.x, event.y)) return;
  InterpTrack_Add(track, event.x, event.y, arrival);
}

void InterpSeats_Clear(InterpSeats& seats) {
  for (InterpTrack& track : seats.seats) InterpTrack_Clear(track);
}
