// The other players' figures as the frame draws them: each seat's playback
// position (interpolation.h) at the frame's start, taken in as moves, so a
// figure faces its drawn step and animates only while it is drawn moving.
#pragma once

#include "interpolation.h"
#include "remote_players.h"

// Brings `figures` to where `tracks` place them at `now`: a seat with nobody
// to show leaves at once.
void RemotePlayers_Follow(RemotePlayers& figures, const InterpSeats& tracks, double now);
