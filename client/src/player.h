// The local player: a 25 x 25 figure that W, A, S and D move one pixel per
// frame, that tiles 1 to 7 stop, and that reports every step.
#pragma once

#include <cstdint>

#include "game/player_rules.h"
#include "game/tiles.h"
#include "platform/screen.h"
#include "plax/plax.h"
#include "sprites.h"

struct Game;

// Largest animation counter; the step after it starts again at 0.
inline constexpr int ANIM_WRAP = 10;

// Called with the new position after every step (and, from the collision,
// with the restored one).
using MoveCallback = void (*)(std::int32_t x, std::int32_t y, PLAX_ID connection_id);

struct Player {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t prevX = 0;  // x at the start of the current frame
  std::int32_t prevY = 0;
  std::uint8_t direction = DIR_UP;
  std::int8_t animCounter = 0;  // 0 to ANIM_WRAP
  std::uint8_t active = 0;      // 1: updated and drawn
  PLAX_ID connectionId = 0;
  Image* images[SPRITE_SET_SIZE] = {};
  MoveCallback onMove = nullptr;
};

// Clears the record, places the player and loads its eight images; ends the
// program when one is missing.
void Player_Init(Player& player, std::int32_t x, std::int32_t y, MoveCallback on_move);
void Player_LoadImages(Player& player);

// One step for the first held key of W, S, A, D (in that order), reported
// through onMove before the position is kept on the screen.
void Player_HandleKeys(Player& player);

// Takes the step back, and reports the restored position through the
// player's onMove (ReportPosition without one), for every tile of code 1 to 7 that a corner of the
// player's square lies strictly inside.
void Player_Collide(Game& game);

// Player_Collide over plain data, with the report callback given.
void Player_CollideWith(Player& player, const std::int8_t tiles[MAP_TILE_COUNT],
                        PLAX_ID connection_id, MoveCallback report);

void Player_Draw(const Player& player);

// Blackens the 26 x 26 box at the position the frame started from.
void Player_EraseOld(const Player& player);
