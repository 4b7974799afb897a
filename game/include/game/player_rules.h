// How the player may move: its square, where it starts, one pixel per step,
// the screen's bounds and the tiles that take a step back. Shared by the
// client and every tool that walks like it.
#pragma once

#include <cstdint>

#include "game/tiles.h"

// Side of the player's square for bounds, collision and erasing.
inline constexpr int SPRITE_SIZE = 25;
inline constexpr std::int32_t PLAYER_MAX_X = SCREEN_WIDTH - SPRITE_SIZE;
inline constexpr std::int32_t PLAYER_MAX_Y = SCREEN_HEIGHT - SPRITE_SIZE;
// Inside the tile of column 2, row 2.
inline constexpr std::int32_t PLAYER_START_X = 33;
inline constexpr std::int32_t PLAYER_START_Y = 33;

// Facing of a figure; also picks the image within a frame's four.
inline constexpr std::uint8_t DIR_UP = 0;
inline constexpr std::uint8_t DIR_DOWN = 1;
inline constexpr std::uint8_t DIR_LEFT = 2;
inline constexpr std::uint8_t DIR_RIGHT = 3;
inline constexpr int DIRECTION_COUNT = 4;

struct DirectionStep {
  std::int32_t dx = 0;
  std::int32_t dy = 0;
};
// One step's move, indexed by direction.
inline constexpr DirectionStep DIRECTION_STEPS[DIRECTION_COUNT] = {
    {0, -1}, {0, 1}, {-1, 0}, {1, 0}};

// Moves the top-left corner back into 0..PLAYER_MAX_X, 0..PLAYER_MAX_Y.
void Player_KeepOnScreen(std::int32_t& x, std::int32_t& y);

// True for a position a player can report: a step is reported before it is
// kept on screen, so a report lies at most one step outside those bounds.
bool Player_Reportable(std::int32_t x, std::int32_t y);

// True when a corner of the square at (x, y) lies strictly inside tile (col,
// row). The far corners are x + 25 and y + 25, so the test spans 26 pixels;
// a corner on a border line is inside neither tile.
bool Player_OverlapsTile(std::int32_t x, std::int32_t y, int col, int row);

// One frame's collision: for every blocking tile, column by column, that the
// square at (x, y) overlaps, (x, y) goes back to (prev_x, prev_y); the tiles
// after it are tested with the restored position. Returns how often that
// happened: the client reports the restored position once for each.
int Player_TakeBackFromWalls(std::int32_t& x, std::int32_t& y, std::int32_t prev_x,
                             std::int32_t prev_y, const std::int8_t tiles[MAP_TILE_COUNT]);
