// The game every frame benchmark draws: the shipped sprites, a map whose 270
// tiles are all drawn (every kind in turn, bushes along the player's row so it
// keeps walking), and D held down.
#pragma once

#include "game.h"

void FrameBench_SetUpGame(Game& game);
// One frame's work on the open screen, without the pacing sleep; the player
// starts over at the left edge when it reaches the right one.
void FrameBench_RunFrame(Game& game);
