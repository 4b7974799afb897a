// The LAN game's side of the client: the connection's callbacks, which read
// the server's messages on engine threads into an inbox, and the frame that
// shows the other players as the inbox last had them, with the connection's
// state (lan_link.h) stepped and its status drawn over the map. The network
// work runs on a thread of its own (lan_worker.h).
#pragma once

#include <string_view>

#include "game.h"
#include "name_tags.h"
#include "plax/plax.h"
#include "remote_players.h"

// The name this player is shown by (PlayerName_Choose of `given`), sent with
// every Hello; before LanGame_Start.
void LanGame_SetName(std::string_view given);

// Loads as the default game does, then LanGame_Connect.
void LanGame_Start(Game& game, const char* host, int port);
// LanGame_Start's part after the loading: the inbox and the network thread,
// which joins `host` (an empty host: the game the search on UDP `port` finds)
// while the frames run; the start position is reported once connected, so
// the others see this player before it moves. Returns at once.
void LanGame_Connect(Game& game, const char* host, int port);

// One frame's work: the remote players are placed where their playback has
// them at `now` (a short time behind their reports, interpolation.h), then
// keys, movement and collision, then the old boxes are erased and remote
// players, player and map drawn between one lock and unlock of the screen.
void LanGame_Frame(Game& game, double now);
// The same at the time it is called.
void LanGame_Frame(Game& game);

// The real loop's frame: the connection's state stepped, LanGame_Frame, and
// the status lines over it, in one picture; fills in the timer's start and end.
void LanGame_RunFrame(Game& game, FrameTimer& timer);

// Lets the network thread go before the program ends.
void LanGame_End();

// Empties the inbox and gives its figures the shared images. Called before
// each connection.
void LanInbox_Reset(Image* const images[SPRITE_SET_SIZE]);

// Who sits where as the server told, and the own seat. Holds the inbox's
// lock only for the copy.
SeatRoster LanInbox_Roster();

// What the server said about the connection itself since the last call.
struct LanHeard {
  bool received = false;  // anything at all
  bool welcomed = false;
  int refusal = 0;  // a Refused's reason
};
LanHeard LanInbox_TakeHeard();

// The connection's callbacks, on engine threads. New data is reassembled into
// messages outside the lock; only their effect on the figures is taken in
// under it, each move with `arrival` (TimerSeconds when the data came, for
// the playback). The end of the connection removes every figure.
void LanClient_OnDisconnected(PLAX_ID connection_id);
void LanClient_OnConnected(PLAX_ID connection_id);
void LanClient_OnNewData(PLAX_ID connection_id, const PLAX_Bytes& data, double arrival);
// The same, arrived now.
void LanClient_OnNewData(PLAX_ID connection_id, const PLAX_Bytes& data);
