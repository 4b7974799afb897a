// The LAN game's side of the client: the connection's callbacks, which read
// the server's messages on engine threads into an inbox, and the frame that
// shows the other players as the inbox last had them.
#pragma once

#include "game.h"
#include "plax/plax.h"
#include "remote_players.h"

// Loads as the default game does, connects with the callbacks below and
// reports the start position once, so the others see this player before it
// moves. Fails as Game_Start does.
void LanGame_Start(Game& game, const char* host, int port);
// LanGame_Start's part after the loading: the inbox, the connection and the
// first report.
void LanGame_Connect(Game& game, const char* host, int port);

// One frame's work: the remote players are copied out of the inbox, then
// keys, movement and collision, then the old boxes are erased and remote
// players, player and map drawn between one lock and unlock of the screen.
void LanGame_Frame(Game& game);

// LanGame_Frame, filling in the timer's start and end.
void LanGame_RunFrame(Game& game, FrameTimer& timer);

// Empties the inbox and gives its figures the shared images. Called before
// the connection exists.
void LanInbox_Reset(Image* const images[SPRITE_SET_SIZE]);

// The remote players as the inbox has them now. Holds the inbox's lock only
// for the copy.
void LanInbox_CopyOut(RemotePlayers& out);

// The connection's callbacks, on engine threads. New data is reassembled into
// messages outside the lock; only their effect on the figures is taken in
// under it. The end of the connection removes every figure.
void LanClient_OnDisconnected(PLAX_ID connection_id);
void LanClient_OnConnected(PLAX_ID connection_id);
void LanClient_OnNewData(PLAX_ID connection_id, const PLAX_Bytes& data);
