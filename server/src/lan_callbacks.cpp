// The LAN game's engine callbacks. They change the seats under the slot
// mutex and queue what each player must hear into that player's outbound
// path (lan_outbox.h) in the same step, so every receiver hears the seats'
// changes in the order they happened; none of them sends to a seated player
// itself, so no mover, listener or reaper waits on another player.
#include <array>
#include <map>
#include <string>
#include <vector>

#include "game/lan_messages.h"
#include "lan_console.h"
#include "lan_outbox.h"
#include "server.h"

namespace {

// A seat's socket holds this little unsent: a player that stops reading
// stalls its sends, and is let go, within seconds instead of megabytes.
constexpr std::uint32_t LAN_SEND_BUFFER_BYTES = 2048;

int Lan_SeatOf(PLAX_ID id) {
  for (int seat = 1; seat <= MAX_SLOTS; ++seat) {
    if (id != 0 && Slots_At(serverState, seat).connectionId == id) return seat;
  }
  return 0;
}

// Who each freed seat's connection was, until its disconnection is printed:
// a seat may be freed (for silence, or to make room) before the engine tells
// that the connection ended. Slot mutex held.
std::map<PLAX_ID, std::string>& departed = *new std::map<PLAX_ID, std::string>();

// Frees the seat of `id` and queues its departure to the others; returns
// the seat (0: none). Once the program ends, the engine's clean-up closes
// every connection: those departures are nobody's news. Slot mutex held.
int Lan_FreeSeat(PLAX_ID id) {
  const int held = Lan_SeatOf(id);
  if (held != 0) departed[id] = LanNames_Who(held);
  std::vector<PlannedRelay> lefts;
  const int seat = LanSeats_Free(serverState, id, lefts);
  if (seat == 0) return 0;
  LanOutbox_Shut(seat);
  if (serverState.ending) return seat;
  for (const PlannedRelay& left : lefts) LanOutbox_QueueLeft(left.slot, left.mover);
  return seat;
}

// Tells `id` why it is turned away and ends it so that the reason arrives.
void Lan_Refuse(PLAX_ID id, std::uint8_t reason) {
  std::uint32_t sent = 0;
  PLAX_Send(id, BuildRefused(reason), sent, "", 0);
  PLAX_CloseGracefully(id);
}

// Adopted without callbacks, so "[New connection]" stays its only line.
void Lan_RefuseOffered(PLAX_Socket accepted) {
  PLAX_ID id = 0;
  std::string peer_address;
  std::string local_address;
  if (PLAX_AdoptSocket(accepted, id, peer_address, nullptr, nullptr, nullptr, local_address) !=
      PLAX_GURU_NO_ERROR) {
    return;
  }
  Lan_Refuse(id, REFUSED_FULL);
}

// With every seat taken, a connection that never played gives its seat up
// to the newcomer, told as any departure. Slot mutex held.
void Lan_FreeIdleSeat(std::int64_t now_ms) {
  const int seat = LanSeats_Idle(serverState, now_ms);
  if (seat == 0) return;
  const PLAX_ID idle = Slots_At(serverState, seat).connectionId;
  Lan_FreeSeat(idle);
  PLAX_Close(idle);
}

// The seats with moves queued, to flush once the slot mutex is released.
using SeatsToFlush = std::array<bool, MAX_SLOTS>;

void Lan_Flush(const SeatsToFlush& seats) {
  for (int seat = 1; seat <= MAX_SLOTS; ++seat) {
    if (seats[static_cast<std::size_t>(seat - 1)]) LanOutbox_Flush(seat);
  }
}

// The console tells an arrival once it knows who arrived: at the player's
// Hello, or at the first report of one that says none.
void Lan_PrintArrival(int seat) {
  LanConsole_Print(std::string(LINE_PLAYER_ACCEPTED) + " " + LanNames_WhoArrived(seat));
}

// Takes what the player in `seat` said; false after a Hello of a version
// this server does not speak, whose seat is freed then. Slot mutex held.
bool Lan_TakeMessages(int seat, const std::vector<SeatMessage>& messages, SeatsToFlush& flush) {
  PlayerSlot& slot = Slots_At(serverState, seat);
  for (const SeatMessage& message : messages) {
    if (message.kind == SeatMessageKind::Hello) {
      if (message.version < LAN_OLDEST_VERSION || message.version > LAN_PROTOCOL_VERSION) {
        Lan_FreeSeat(slot.connectionId);
        return false;
      }
      slot.saidHello = true;
      if (LanNames_Hello(seat, message.version, message.name)) Lan_PrintArrival(seat);
    }
    if (message.kind != SeatMessageKind::Report) continue;
    if (LanNames_Reported(seat, slot.lastHeardMs)) Lan_PrintArrival(seat);
    slot.x = message.x;
    slot.y = message.y;
    slot.reported = true;
    for (int other = 1; other <= MAX_SLOTS; ++other) {
      if (other == seat || Slots_At(serverState, other).connectionId == 0) continue;
      LanOutbox_QueueMove(other, seat, message.x, message.y);
      flush[static_cast<std::size_t>(other - 1)] = true;
    }
  }
  return true;
}

}  // namespace

void OnLanNewConnection(PLAX_ID, PLAX_Socket accepted, const char*) {
  LanConsole_Print(LINE_NEW_CONNECTION);
  PLAX_SetSendBuffer(accepted, LAN_SEND_BUFFER_BYTES);
  std::unique_lock<std::mutex> lock(serverState.slotMutex);
  const std::int64_t now = LanClock_Ms();
  if (!LanSeats_HasRoom(serverState)) Lan_FreeIdleSeat(now);
  if (!LanSeats_HasRoom(serverState)) {
    lock.unlock();
    Lan_RefuseOffered(accepted);
    return;
  }
  // Held from adoption to the seat, so a report that the new worker receives
  // at once waits for its seat instead of matching none.
  PLAX_ID id = 0;
  std::string peer_address;
  std::string local_address;
  if (PLAX_AdoptSocket(accepted, id, peer_address, OnLanPlayerDisconnected, OnLanPlayerAccepted,
                       OnLanPlayerData, local_address) != PLAX_GURU_NO_ERROR) {
    return;
  }
  const int seat = LanSeats_Admit(serverState, id, now);
  Slots_At(serverState, seat).address = peer_address;
  LanOutbox_Open(seat, id);
  std::vector<PlannedRelay> snapshot;
  LanSeats_PlanSnapshot(serverState, seat, snapshot);
  for (const PlannedRelay& move : snapshot) LanOutbox_QueueMove(seat, move.mover, move.x, move.y);
  lock.unlock();
  LanOutbox_Flush(seat);
}

// The arrival is printed once the player says who it is.
void OnLanPlayerAccepted(PLAX_ID) {}

void OnLanPlayerDisconnected(PLAX_ID id) {
  std::lock_guard<std::mutex> lock(serverState.slotMutex);
  // Printed before the seat is freed, so the line comes ahead of the
  // departure's sends.
  const int seat = Lan_SeatOf(id);
  const auto gone = departed.find(id);
  if (seat != 0) {
    LanConsole_Print(std::string(LINE_PLAYER_DISCONNECTED) + " " + LanNames_Who(seat));
  } else if (gone != departed.end()) {
    LanConsole_Print(std::string(LINE_PLAYER_DISCONNECTED) + " " + gone->second);
  } else {
    LanConsole_Print(LINE_PLAYER_DISCONNECTED);
  }
  if (gone != departed.end()) departed.erase(gone);
  Lan_FreeSeat(id);
  departed.erase(id);
}

void OnLanPlayerData(PLAX_ID id, const PLAX_Bytes& chunk) {
  // A vector per call: a thread-local one, whose messages now hold names,
  // would be destroyed as each engine thread ends, and under Wine that held
  // the Windows server's exit for seconds.
  std::vector<SeatMessage> messages;
  SeatsToFlush flush{};
  bool spoken = true;
  {
    std::lock_guard<std::mutex> lock(serverState.slotMutex);
    const int seat = Lan_SeatOf(id);
    if (seat == 0) return;
    PlayerSlot& slot = Slots_At(serverState, seat);
    slot.lastHeardMs = LanClock_Ms();
    SeatReader_Feed(slot.said, chunk, messages);
    spoken = Lan_TakeMessages(seat, messages, flush);
    if (spoken && slot.saidHello) LanOutbox_Heard(seat, slot.lastHeardMs);
  }
  Lan_Flush(flush);
  if (!spoken) Lan_Refuse(id, REFUSED_VERSION);
}
