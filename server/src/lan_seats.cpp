#include "game/lan_messages.h"
#include "server.h"

static_assert(LAN_SEATS == MAX_SLOTS, "a LAN seat is a slot");

bool LanSeats_HasRoom(const ServerState& state) {
  return LanSeats_Taken(state) < MAX_SLOTS;
}

int LanSeats_Taken(const ServerState& state) {
  int taken = 0;
  for (const PlayerSlot& slot : state.slots) taken += slot.connectionId == 0 ? 0 : 1;
  return taken;
}

int LanSeats_Admit(ServerState& state, PLAX_ID id, std::int64_t now_ms) {
  for (int seat = 1; seat <= MAX_SLOTS; ++seat) {
    PlayerSlot& slot = Slots_At(state, seat);
    if (slot.connectionId != 0) continue;
    slot.connectionId = id;
    slot.admittedMs = slot.lastHeardMs = now_ms;
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
    // The next player starts from nothing.
    slot.x = slot.y = 0;
    slot.connectionId = 0;
    slot.pending = ReportBuffer{};
    slot.reported = false;
    slot.said = SeatReader{};
    slot.saidHello = false;
    slot.name.clear();
    slot.version = 0;
    slot.address.clear();
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

int LanSeats_Idle(const ServerState& state, std::int64_t now_ms) {
  int idle = 0;
  for (int seat = 1; seat <= MAX_SLOTS; ++seat) {
    const PlayerSlot& slot = state.slots[static_cast<std::size_t>(seat - 1)];
    if (slot.connectionId == 0 || slot.reported || slot.saidHello) continue;
    if (now_ms - slot.admittedMs <= IDLE_SEAT_MS) continue;
    if (idle == 0 ||
        slot.lastHeardMs < state.slots[static_cast<std::size_t>(idle - 1)].lastHeardMs) {
      idle = seat;
    }
  }
  return idle;
}
