// The server's handling of a player's chunks, over plain slot data: the
// sender's slot holds its last complete report, and each report is relayed
// once to every other filled slot, in slot order, and to no one else.
#include "fuzz_support.h"
#include "server.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks how many slots are filled (1-4) and the sender.
  const int filled = data[0] % MAX_SLOTS + 1;
  const int sender = (data[0] / MAX_SLOTS) % filled + 1;
  ServerState state;
  for (int slot = 1; slot <= filled; ++slot) Slots_Store(state, PLAX_ID(100 + slot));

  ReferenceFraming reference;
  std::vector<PlannedRelay> relays;
  for (std::string_view chunk : SplitChunks({reinterpret_cast<const char*>(data) + 1, size - 1})) {
    Slots_TakeChunk(state, PLAX_ID(100 + sender), chunk, relays);
    reference.Feed(chunk);
  }

  const Position last = reference.reports.empty() ? Position{} : reference.reports.back();
  FUZZ_CHECK(Slots_At(state, sender).x == last.x && Slots_At(state, sender).y == last.y);
  FUZZ_CHECK(relays.size() == reference.reports.size() * static_cast<std::size_t>(filled - 1));
  std::size_t next = 0;
  for (const Position& report : reference.reports) {
    for (int receiver = 1; receiver <= filled; ++receiver) {
      if (receiver == sender) continue;
      const PlannedRelay& relay = relays[next++];
      FUZZ_CHECK(relay.slot == receiver && relay.receiver == PLAX_ID(100 + receiver));
      FUZZ_CHECK(relay.x == report.x && relay.y == report.y);
    }
  }
  for (int slot = 1; slot <= MAX_SLOTS; ++slot) {
    if (slot == sender) continue;
    FUZZ_CHECK(Slots_At(state, slot).x == 0 && Slots_At(state, slot).y == 0);
  }
  return 0;
}
