// The client's one game record, its start-up and the stages of a frame.
#pragma once

#include <cstdint>

#include "game/server_address.h"
#include "game/tiles.h"
#include "network.h"
#include "plax/plax.h"
#include "player.h"
#include "remote_players.h"
#include "tile_map.h"

inline constexpr int SCREEN_DEPTH = 32;
// The pacing figures: a frame's seconds times FRAME_SCALE off PACE_BUDGET,
// divided by FRAME_SCALE, gives the milliseconds to sleep (16 for any
// ordinary frame).
inline constexpr double PACE_BUDGET = 1000.0;
inline constexpr double FRAME_SCALE = 60.0;

// Everything the client knows; owned by main() for the whole run.
struct Game {
  Player player;
  Enemy enemy;
  RemotePlayers remotePlayers;  // the LAN game's, as drawn in the last frame
  TileMap map;
  PLAX_ID connectionId = 0;  // 0 until Client_Connect
};

struct FrameTimer {
  double frameStart = 0.0;  // seconds, at the start of the frame
  double frameEnd = 0.0;    // seconds, after the frame's drawing
  double budget = 0.0;      // written by FrameTimer_Wait
};

// Loads the player, the remote player and the map. Any failure prints one
// line, waits for a key and ends the program with -1.
void Game_Load(Game& game);

// Game_Load, then connects with the default game's callbacks; fails as
// Game_Load does.
void Game_Start(Game& game, const char* host, int port);

// Keys and movement, then collision.
void Game_Update(Game& game);

// Remote player, player, then the map over both.
void Game_Draw(const Game& game);

// One frame: update, then erase, draw and show between one lock and unlock.
// Fills in the timer's start and end.
void Game_RunFrame(Game& game, FrameTimer& timer);

// Writes the timer's budget and returns the milliseconds to sleep; never
// negative, since a wait of -1 would mean waiting for a key.
int FrameTimer_Wait(FrameTimer& timer);

// Sleeps for FrameTimer_Wait's figure.
void PaceFrame(FrameTimer& timer);
