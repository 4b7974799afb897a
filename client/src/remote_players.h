// The other seated players of a LAN game, as the server last told of them:
// where each stands, the way it last stepped and its animation, drawn with
// the remote-player ("Ene") images. Plain data and pure logic; drawing only
// reads it.
#pragma once

#include "game/lan_messages.h"
#include "network.h"

struct RemotePlayers {
  Enemy seats[LAN_SEATS];  // seat s in slot s - 1; `active` while seated
};

// Gives every figure the same eight images, loaded once elsewhere.
void RemotePlayers_ShareImages(RemotePlayers& players, Image* const images[SPRITE_SET_SIZE]);

// Takes one event in. A move places the figure; when it moved, it faces the
// way of the step and its animation runs on as the local player's does. A
// move to where it stands keeps facing and frame. A leave removes it. A
// position no player can report is dropped, so it is never drawn. Events
// about the connection itself (a Welcome names this player's own seat) change
// no figure.
void RemotePlayers_Apply(RemotePlayers& players, const LanEvent& event);

// Everybody gone: the connection has ended.
void RemotePlayers_Clear(RemotePlayers& players);

// Blackens the box of every figure as it was drawn, before the next state is.
void RemotePlayers_Erase(const RemotePlayers& players);
void RemotePlayers_Draw(const RemotePlayers& players);
