// The LAN client's network work, on a thread of its own so that the frame
// loop never waits on the network: the search, opening and closing the
// connection, and sending. Reports wait in a slot of one: a report that
// cannot go out at once is replaced by the newer one. The connection's
// callbacks gather what the server said for the next frame to take.
#pragma once

#include <cstdint>
#include <string>

#include "lan_link.h"
#include "plax/plax.h"
#include "remote_players.h"

// Seconds a first connection may take (a server on another machine that does
// not answer), and a later attempt, which comes again a second later anyway.
inline constexpr int LAN_FIRST_CONNECT_SECONDS = 60;
inline constexpr int LAN_RETRY_CONNECT_SECONDS = 1;

// Starts the thread; the remote players share `images`. Once per run.
void LanWorker_Start(Image* const images[SPRITE_SET_SIZE]);

// Requests, from the frame thread; none of them waits for the network.
void LanWorker_Search(std::uint16_t discovery_port);
void LanWorker_Connect(const std::string& host, std::uint16_t port, int timeout_seconds);
void LanWorker_Close();
// The newest position replaces one not yet sent.
void LanWorker_Report(std::int32_t x, std::int32_t y);
// Hello with the player's name, then the position, ahead of any report
// still waiting.
void LanWorker_Hello(std::int32_t x, std::int32_t y, const std::string& name);
void LanWorker_KeepAlive();

// What happened since the last call, for LanLink_Step (frameSeconds and
// reported are the frame's to fill in).
LanLinkInput LanWorker_Take();

// The remote players as the server last told of them.
void LanWorker_CopyPlayers(RemotePlayers& out);

// Asks the thread to stop and waits a little for it; a thread still inside a
// connect or a send is left to the end of the process.
void LanWorker_Stop();

// The connection's callbacks, on engine threads; data of a connection that is
// no longer the current one is ignored.
void LanWorker_OnDisconnected(PLAX_ID connection_id);
void LanWorker_OnConnected(PLAX_ID connection_id);
void LanWorker_OnNewData(PLAX_ID connection_id, const PLAX_Bytes& data);
