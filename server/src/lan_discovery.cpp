// The LAN server's answers to clients looking for a game.
#include <mutex>

#include "game/discovery.h"
#include "game/lan_messages.h"
#include "platform/clock.h"
#include "server.h"

namespace {

// Read and written on the discovery record's worker thread alone, since one
// record's callbacks never overlap; the game port is set before it starts.
struct Discovery {
  std::uint16_t gamePort = 0;
  AnswerLimiter limiter;
};

Discovery discovery;

int SeatsTakenNow() {
  std::lock_guard<std::mutex> lock(serverState.slotMutex);
  return LanSeats_Taken(serverState);
}

// Anything but a well-formed request, or one beyond the answer limit, goes
// unanswered and untold: a word per datagram would let anyone flood the console.
void OnDiscoveryRequest(PLAX_ID id, const char* sender_address, const PLAX_Bytes& data) {
  std::uint16_t reply_port = 0;
  if (!ReadDiscoveryRequest(data, reply_port)) return;
  if (!AnswerLimiter_Allow(discovery.limiter, TimerSeconds())) return;
  const DiscoveryAnswer answer{discovery.gamePort, static_cast<std::uint8_t>(SeatsTakenNow()),
                               static_cast<std::uint8_t>(LAN_SEATS)};
  std::uint32_t sent = 0;
  // A failed answer is the asker's loss alone; the server plays on.
  PLAX_Send(id, BuildDiscoveryAnswer(answer), sent, sender_address, reply_port);
}

}  // namespace

PLAX_Result LanDiscovery_Open(std::uint16_t game_port) {
  discovery.gamePort = game_port;
  PLAX_ID id = 0;
  std::uint16_t bound = 0;
  return PLAX_OpenDatagram(id, game_port, PLAX_DATAGRAM_NONE, OnDiscoveryRequest, bound);
}
