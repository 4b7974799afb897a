// The client's one connection to the server, its position reports, and the
// remote-player record: loaded but never brought to life in the default
// game, one per seated player in the LAN game (remote_players.h).
#pragma once

#include <cstdint>

#include "platform/screen.h"
#include "plax/plax.h"
#include "sprites.h"

struct Game;

// Seconds PLAX_OpenClient may wait for the server to answer.
inline constexpr int CONNECT_TIMEOUT = 60;

// Another player's figure. The default game never sets `active`, so there it
// is never drawn.
struct Enemy {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint8_t direction = DIR_UP;
  std::int8_t animCounter = 0;
  std::uint8_t active = 0;  // 1: drawn
  Image* images[SPRITE_SET_SIZE] = {};
};

// Clears the record and loads the eight remote-player images; ends the
// program when one is missing.
void Enemy_Init(Enemy& enemy);
void Enemy_LoadImages(Enemy& enemy);
void Enemy_Draw(const Enemy& enemy);

// The callbacks a connection is opened with: each game brings its own.
struct ConnectionCallbacks {
  PLAX_EventDisconnected onDisconnected = nullptr;
  PLAX_EventConnected onConnected = nullptr;
  PLAX_EventNewData onNewData = nullptr;
};

// Opens the connection and stores its ID in the game and its player. On
// failure prints "[FEHLER] " and the engine's text, waits for a key and ends
// the program with -1. Blocks for up to CONNECT_TIMEOUT seconds.
void Client_ConnectWith(Game& game, const char* host, int port,
                        const ConnectionCallbacks& callbacks);

// Client_ConnectWith the default game's callbacks below.
void Client_Connect(Game& game, const char* host, int port);

// Sends one 9-byte position report; a failed send prints "[FEHLER] " and the
// engine's text, and the report is lost.
void ReportPosition(std::int32_t x, std::int32_t y, PLAX_ID connection_id);

// The default game's callbacks. They run on engine threads and do nothing:
// that game never shows what the server relays, so it needs no lock either.
void Client_OnDisconnected(PLAX_ID connection_id);
void Client_OnConnected(PLAX_ID connection_id);
void Client_OnNewData(PLAX_ID connection_id, const PLAX_Bytes& data);
