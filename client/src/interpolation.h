// Where to draw another player of a LAN game: a short, fixed time behind the
// reports, moving between them at the pace they were made, so that reports
// that bunch up on the way play back evenly and a late one does not make the
// figure stop and jump. Pure logic over plain data: the network side adds each
// report with its arrival time, the frame asks for the position at its start.
//
// How: each report becomes a move with a start and an end time on the
// playback clock. The moves follow the expected arrivals: the earliest
// arrival consistent with the reports before it at the measured pace (time
// per step since the walk's first report, once the walk has lasted
// INTERP_PACE_SPAN, steadied by the pace measured before), so a report held
// up on the way keeps its place in time and a burst plays back at the pace it
// was made. A move ends INTERP_DELAY after its expected arrival. A report that
// comes later than that starts moving as it comes, leaving a little cushion
// (INTERP_REBUILD) for the next, and the reports behind it catch up at most
// INTERP_CATCH_UP times faster. A walk's first report (after a pause or a
// jump) waits INTERP_DELAY: that is the cushion that takes up jitter. A jump
// (more than INTERP_TELEPORT_STEPS at once, or the first position) is shown
// as it arrives. Never slowing below the pace matters: figures move a whole
// pixel per report, so a playback 1 % slow stands still in 1 % of frames.
#pragma once

#include <array>
#include <cstdint>

#include "game/lan_messages.h"

// How far behind its arrival a walk is played back.
inline constexpr double INTERP_DELAY = 0.100;
// The pace assumed before any walk was measured: the client's frame rate.
inline constexpr double INTERP_FIRST_PACE = 1.0 / 60.0;
// Paces outside these are measuring errors (a sender runs at 20 to 250 Hz).
inline constexpr double INTERP_PACE_MIN = 1.0 / 250.0;
inline constexpr double INTERP_PACE_MAX = 1.0 / 20.0;
// The pace measured before counts as this many steps of a new walk.
inline constexpr double INTERP_PACE_WEIGHT = 60.0;
// No report for this long: the player stood still, a new walk begins. Loss
// on the way holds reports up for less, and they come in a burst after.
inline constexpr double INTERP_PAUSE = 0.5;
// A walk is timed once it has lasted this long: a shorter one would take a
// burst for the player's pace.
inline constexpr double INTERP_PACE_SPAN = 1.0;
// A report later than its cushion leaves this much cushion behind it, so a
// short pause does not leave the walk after it without any.
inline constexpr double INTERP_REBUILD = INTERP_DELAY / 10;
// A report further than this many steps (pixels along x plus y) is a jump.
inline constexpr std::int32_t INTERP_TELEPORT_STEPS = 16;
// Catching up plays at most this many times the pace.
inline constexpr double INTERP_CATCH_UP = 2.0;
// Moves kept per player: far more than a cushion's worth. A backlog that
// outgrows them (a sender far faster than its pace) is skipped.
inline constexpr int INTERP_RING = 64;

// One report as the playback clock has it: reached at `at`, left the
// previous one at `from` (equal for a jump).
struct InterpMove {
  std::int32_t x = 0;
  std::int32_t y = 0;
  double from = 0.0;
  double at = 0.0;
};

struct InterpTrack {
  std::array<InterpMove, INTERP_RING> moves{};
  int count = 0;                         // moves kept, at most INTERP_RING
  int newest = 0;                        // index of the newest move in `moves`
  double lastArrival = 0.0;              // of the newest report
  double expected = 0.0;                 // the newest report's expected arrival
  double pace = INTERP_FIRST_PACE;       // seconds per step, as last measured
  double priorPace = INTERP_FIRST_PACE;  // as measured before this walk
  double walkStart = 0.0;                // arrival of the walk's first report
  double walkSteps = 0.0;                // steps since then
};

// What the frame draws of one player.
struct InterpPosition {
  bool present = false;
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Takes a report that arrived at `arrival` (seconds, the clock the frame
// asks with; never earlier than the report before).
void InterpTrack_Add(InterpTrack& track, std::int32_t x, std::int32_t y, double arrival);
// Nobody there any more: drawn no more, at once.
void InterpTrack_Clear(InterpTrack& track);
// Where the player is drawn at `now`: rounded to whole pixels.
InterpPosition InterpTrack_Position(const InterpTrack& track, double now);

// Every seat's track, seat s in slot s - 1.
struct InterpSeats {
  std::array<InterpTrack, LAN_SEATS> seats{};
};

// A move adds a report, a departure clears the seat; other events do nothing.
// Positions no player can report are dropped, as the figures drop them.
void InterpSeats_Apply(InterpSeats& seats, const LanEvent& event, double arrival);
void InterpSeats_Clear(InterpSeats& seats);
