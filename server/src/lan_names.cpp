#include <string>

#include "game/names.h"
#include "lan_outbox.h"
#include "server.h"

namespace {

// Players of version 1 would read a PlayerNamed as other messages.
bool Seat_ReadsNames(const PlayerSlot& slot) {
  return slot.connectionId != 0 && slot.version >= 2;
}

void Names_TellOthers(int seat) {
  const std::string named =
      BuildPlayerNamed(static_cast<std::int8_t>(seat), Slots_At(serverState, seat).name);
  for (int other = 1; other <= MAX_SLOTS; ++other) {
    if (other != seat && Seat_ReadsNames(Slots_At(serverState, other))) {
      LanOutbox_QueueMessage(other, named);
    }
  }
}

void Names_TellNewcomer(int seat) {
  for (int other = 1; other <= MAX_SLOTS; ++other) {
    const PlayerSlot& slot = Slots_At(serverState, other);
    if (other == seat || slot.connectionId == 0 || slot.name.empty()) continue;
    LanOutbox_QueueMessage(seat, BuildPlayerNamed(static_cast<std::int8_t>(other), slot.name));
  }
}

}  // namespace

bool LanNames_Hello(int seat, int version, const std::string& name) {
  PlayerSlot& slot = Slots_At(serverState, seat);
  const bool first = slot.name.empty();
  const bool hadVersion = slot.version != 0;
  slot.version = version;
  const std::string chosen = name.empty() ? SeatName_Unnamed(seat) : name;
  if (!hadVersion && Seat_ReadsNames(slot)) Names_TellNewcomer(seat);
  if (chosen == slot.name) return first;
  slot.name = chosen;
  Names_TellOthers(seat);
  return first;
}

bool LanNames_Reported(int seat, std::int64_t now_ms) {
  PlayerSlot& slot = Slots_At(serverState, seat);
  if (!slot.name.empty() || now_ms - slot.admittedMs < LAN_HELLO_GRACE_MS) return false;
  slot.name = SeatName_Unnamed(seat);
  Names_TellOthers(seat);
  return true;
}

std::string LanNames_WhoArrived(int seat) {
  const PlayerSlot& slot = Slots_At(serverState, seat);
  return slot.name + " (seat " + std::to_string(seat) + ", " + slot.address + ")";
}

std::string LanNames_Who(int seat) {
  const PlayerSlot& slot = Slots_At(serverState, seat);
  const std::string name = slot.name.empty() ? SeatName_Unnamed(seat) : slot.name;
  return name + " (seat " + std::to_string(seat) + ")";
}
