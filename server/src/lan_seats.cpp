#include "game/lan_messages.h"
#include "server.h"

static_assert(LAN_SEATS == MAX_SLOTS, "a LAN seat is a slot");

namespace {

bool Seat_Free(const PlayerSlot& slot) {
  return slot.connectionId == 0 && !slot.leaving;
}

}  // namespace

bool LanSeats_HasRoom(const ServerState& state) {
  for (const PlayerSlot& slot : state.slots) {
    if (Seat_Free(slot)) return true;
  }
  return false;
}

int LanSeats_Taken(const ServerState& state) {
  int taken = 0;
  for (const PlayerSlot& slot : state.slots) taken += Seat_Free(slot) ? 0 : 1;
  return taken;
}

int LanSeats_Admit(ServerState& state, PLAX_ID id) {
  for (int seat = 1; seat <= MAX_SLOTS; ++seat) {
    PlayerSlot& slot = Slots_At(state, seat);
    if (!Seat_Free(slot)) continue;
    slot.connectionId = id;
    return seat;
  }
  return 0;
}

void LanSeats_PlanSnapshot(ServerState& state, int seat, std::vector<PlannedRelay>& moves) {
  const PLAX_ID newcomer = Slots_At(state, seat).connectionId;
  for (int other = 1; other <= MAX_SLOTS; ++other) {
    const PlayerSlot& slot = Slots_At(state, other);
    if (other == seat || slot.connectionId == 0 || !slot.reported) continue;
    moves.push_back(PlannedRelay{slot.x, slot.y, static_cast<std::int8_t>(seat), newcomer,
                                 static_cast<std::int8_t>(other)});
  }
}

int LanSeats_Free(ServerState& state, PLAX_ID id, std::vector<PlannedRelay>& lefts) {
  if (id == 0) return 0;  // 0 marks a free seat, never a connection
  for (int seat = 1; seat <= MAX_SLOTS; ++seat) {
    PlayerSlot& slot = Slots_At(state, seat);
    if (slot.connectionId != id) continue;
    // The next player starts from nothing; the mutex stays, nobody holds it.
    slot.x = slot.y = 0;
    slot.connectionId = 0;
    slot.pending = ReportBuffer{};
    slot.reported = false;
    slot.leaving = true;
    for (int other = 1; other <= MAX_SLOTS; ++other) {
      const PLAX_ID receiver = Slots_At(state, other).connectionId;
      if (receiver == 0) continue;
      lefts.push_back(PlannedRelay{0, 0, static_cast<std::int8_t>(other), receiver,
                                   static_cast<std::int8_t>(seat)});
    }
    return seat;
  }
  return 0;
}

void LanSeats_EndLeaving(ServerState& state, int seat) {
  Slots_At(state, seat).leaving = false;
}
