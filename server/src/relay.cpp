#include "game/texts.h"
#include "platform/console.h"
#include "server.h"

void HandlePosition(std::string_view chunk, PLAX_ID id) {
  std::vector<PlannedRelay> relays;
  {
    std::lock_guard<std::mutex> lock(serverState.slotMutex);
    Slots_TakeChunk(serverState, id, chunk, relays);
  }
  for (const PlannedRelay& relay : relays) {
    SendPositionRelay(relay.x, relay.y, relay.slot, relay.receiver);
    PrintLine(LINE_SEND);
  }
}

void SendPositionRelay(std::int32_t x, std::int32_t y, std::int8_t slot, PLAX_ID receiver) {
  SendGameMessage(receiver, BuildPositionRelay(x, y, slot));
}

void SendGameMessage(PLAX_ID receiver, const std::string& message) {
  std::uint32_t sent = 0;
  const PLAX_Result result = PLAX_Send(receiver, message, sent, "", 0);
  if (result != PLAX_GURU_NO_ERROR) PrintLine(EngineErrorLine(PLAX_GURUText(result)));
}
