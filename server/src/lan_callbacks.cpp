// The LAN game's engine callbacks. Every message to a seat is sent holding
// that seat's send mutex, never the slot mutex, so a player that does not
// read stalls only the messages to itself; only while a departure is told
// can it hold the others' back too, for at most the engine's send time-out,
// after which the engine closes it.
#include <string>

#include "game/lan_messages.h"
#include "platform/console.h"
#include "server.h"

namespace {

enum class LanMessage { Moved, Left };

void Lan_SendHeld(const PlannedRelay& planned, LanMessage kind) {
  SendGameMessage(planned.receiver, kind == LanMessage::Moved
                                        ? BuildPlayerMoved(planned.x, planned.y, planned.mover)
                                        : BuildPlayerLeft(planned.mover));
  PrintLine(LINE_SEND);
}

void Lan_Send(const std::vector<PlannedRelay>& messages, LanMessage kind) {
  for (const PlannedRelay& planned : messages) {
    std::lock_guard<std::mutex> lock(Slots_At(serverState, planned.slot).sendMutex);
    Lan_SendHeld(planned, kind);
  }
}

}  // namespace

void OnLanNewConnection(PLAX_ID, PLAX_Socket accepted, const char*) {
  static constexpr Admission LAN_GAME{LanSeats_HasRoom, LanSeats_Admit, OnLanPlayerDisconnected,
                                      OnLanPlayerData};
  std::unique_lock<std::mutex> lock;
  const int seat = Server_Admit(accepted, LAN_GAME, lock);
  if (seat == 0) return;
  std::vector<PlannedRelay> snapshot;
  LanSeats_PlanSnapshot(serverState, seat, snapshot);
  // Taken before the slot mutex goes: a move planned from now on to the
  // newcomer waits for the snapshot.
  std::lock_guard<std::mutex> send_lock(Slots_At(serverState, seat).sendMutex);
  lock.unlock();
  for (const PlannedRelay& planned : snapshot) Lan_SendHeld(planned, LanMessage::Moved);
}

void OnLanPlayerDisconnected(PLAX_ID id) {
  PrintLine(LINE_PLAYER_DISCONNECTED);
  std::vector<PlannedRelay> lefts;
  int seat = 0;
  {
    std::lock_guard<std::mutex> lock(serverState.slotMutex);
    seat = LanSeats_Free(serverState, id, lefts);
  }
  if (seat == 0) return;
  // The seat is handed on before anyone is told, so a player told of the
  // departure finds it free; holding every receiver's send mutex first keeps
  // a newcomer's messages about that seat behind the departure. Taken in
  // seat order, and the slot mutex is not taken while they are held.
  std::vector<std::unique_lock<std::mutex>> receivers;
  for (const PlannedRelay& planned : lefts) {
    receivers.emplace_back(Slots_At(serverState, planned.slot).sendMutex);
  }
  LanSeats_EndLeaving(serverState, seat);
  for (std::size_t i = 0; i < lefts.size(); ++i) {
    Lan_SendHeld(lefts[i], LanMessage::Left);
    receivers[i].unlock();
  }
}

void OnLanPlayerData(PLAX_ID id, const PLAX_Bytes& chunk) {
  std::vector<PlannedRelay> moves;
  {
    std::lock_guard<std::mutex> lock(serverState.slotMutex);
    Slots_TakeChunk(serverState, id, chunk, moves);
  }
  Lan_Send(moves, LanMessage::Moved);
}
