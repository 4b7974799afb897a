// Each LAN seat's outbound path: a queue drained by a sender thread of the
// seat's own, so a send that waits on one player (up to the engine's send
// time-out) holds back no mover, listener, reaper or other seat. A mover
// whose moves find the way clear sends them itself, without waiting, and
// leaves only what the platform did not take to the sender. Per mover,
// only the newest position not yet sent waits: a slow receiver gets the
// latest positions, never a backlog. Welcome, arrivals' snapshots and
// departures keep their order among themselves and with the moves.
//
// The sender also keeps the seat alive both ways: a KeepAlive after
// KEEP_ALIVE_MS in which nothing went out, and the connection closed once a
// player who said Hello has sent nothing for SILENCE_LIMIT_MS. A seat whose
// sends take no byte for PLAX_SEND_TIMEOUT_MS is closed by the engine's send
// itself, and so freed and told as any departure.
#pragma once

#include <cstdint>
#include <string>

#include "game/lan_messages.h"
#include "plax/plax.h"

inline constexpr auto KEEP_ALIVE_MS = static_cast<std::int64_t>(LAN_KEEP_ALIVE_SECONDS * 1000);
inline constexpr auto SILENCE_LIMIT_MS = static_cast<std::int64_t>(LAN_SILENCE_SECONDS * 1000);

// Milliseconds on the monotonic clock.
std::int64_t LanClock_Ms();

// Starts the four senders, once; they live for the whole run.
void LanOutbox_StartAll();

// The rest is called holding slotMutex, so what is queued follows the order
// of the seats' changes; none of them waits on a send.
// Gives `seat` to `receiver` with nothing waiting but its Welcome.
void LanOutbox_Open(int seat, PLAX_ID receiver);
// Drops everything waiting for `seat`; its sender goes idle.
void LanOutbox_Shut(int seat);
// PlayerMoved of `mover`, replacing a position of `mover` still waiting.
// It waits until LanOutbox_Flush (or the sender's next pass).
void LanOutbox_QueueMove(int seat, int mover, std::int32_t x, std::int32_t y);
// PlayerLeft of `mover`, after everything waiting; a later move of that seat
// (its next player's) queues after it.
void LanOutbox_QueueLeft(int seat, int mover);
// Any other message, after everything waiting.
void LanOutbox_QueueMessage(int seat, std::string message);
// Called without slotMutex, after queueing moves: sends what waits for
// `seat` on the calling thread when no send to it is under way and the
// platform takes it at once, which spares the common case the hand-over to
// the sender; whatever is left goes to the sender. Never waits on the seat.
void LanOutbox_Flush(int seat);
// The player in `seat` said Hello and was last heard at `heard_ms`: its
// sender closes it SILENCE_LIMIT_MS later unless heard again.
void LanOutbox_Heard(int seat, std::int64_t heard_ms);
