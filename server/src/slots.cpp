#include "server.h"

ServerState& serverState = *new ServerState();

PlayerSlot& Slots_At(ServerState& state, int slot) {
  return state.slots[slot - 1];
}

bool Slots_HasRoom(const ServerState& state) {
  return state.slotCounter <= MAX_SLOTS;
}

int Slots_Store(ServerState& state, PLAX_ID id) {
  Slots_At(state, state.slotCounter).connectionId = id;
  return state.slotCounter++;
}

void Slots_TakeChunk(ServerState& state, PLAX_ID id, std::string_view chunk,
                     std::vector<PlannedRelay>& relays) {
  if (id == 0) return;  // 0 marks an empty slot, never a connection
  std::vector<Position> reports;
  for (int i = 1; i <= MAX_SLOTS; ++i) {
    PlayerSlot& sender = Slots_At(state, i);
    if (sender.connectionId != id) continue;
    reports.clear();
    ReportBuffer_Feed(sender.pending, chunk, reports);
    for (const Position& report : reports) {
      sender.x = report.x;
      sender.y = report.y;
      sender.reported = true;
      for (int j = 1; j <= MAX_SLOTS; ++j) {
        const PLAX_ID receiver = Slots_At(state, j).connectionId;
        if (j == i || receiver == 0) continue;
        relays.push_back(PlannedRelay{report.x, report.y, static_cast<std::int8_t>(j), receiver,
                                      static_cast<std::int8_t>(i)});
      }
    }
  }
}
