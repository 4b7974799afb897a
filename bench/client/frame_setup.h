// The game every frame benchmark draws: the shipped sprites, a map whose 270
// tiles are all drawn (every kind in turn, bushes along the player's row so it
// keeps walking), and D held down.
#pragma once

#include "game.h"

void FrameBench_SetUpGame(Game& game);
// One frame's work on the open screen, without the pacing sleep; the player
// starts over at the left edge when it reaches the right one.
void FrameBench_RunFrame(Game& game);

// The same game in the LAN mode: three other players (seats 2 to 4) walk
// rows of their own, one step each per frame, as the server's messages on
// the engine's side would bring them in (60 Hz each at 60 frames a second).
void FrameBench_SetUpLanGame(Game& game);
// Their three moves taken into the inbox, then one LAN frame's work, the
// figures drawn where their playback has them (a frame's time on per frame).
void FrameBench_RunLanFrame(Game& game);
