// The LAN server's answers to clients looking for a game.
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>

#include "game/discovery.h"
#include "game/lan_messages.h"
#include "game/texts.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "server.h"

namespace {

// A record that ends sooner than this after its opening is not opened again:
// a socket that fails at once would otherwise be reopened without end.
constexpr double REOPEN_AFTER_SECONDS = 1.0;

// Read and written on the discovery record's worker thread and, once that
// has ended, on the reaper thread that reports its end and opens the next;
// the engine joins the worker before the reaper's call, so they never
// overlap. The game port is set before the first record starts.
struct Discovery {
  std::uint16_t gamePort = 0;
  std::string gameName;
  AnswerLimiter limiter;
  double openedAt = 0.0;
};

Discovery discovery;
// Set at exit, before the engine's clean-up ends the record for good.
std::atomic<bool> exiting{false};

int SeatsTakenNow() {
  std::lock_guard<std::mutex> lock(serverState.slotMutex);
  return LanSeats_Taken(serverState);
}

// Anything but a well-formed request, or one beyond the answer limit, goes
// unanswered and untold: a word per datagram would let anyone flood the console.
void OnDiscoveryRequest(PLAX_ID id, const char* sender_address, const PLAX_Bytes& data) {
  std::uint16_t reply_port = 0;
  std::uint8_t version = 0;
  if (!ReadDiscoveryRequest(data, reply_port, version)) return;
  if (!AnswerLimiter_Allow(discovery.limiter, sender_address, TimerSeconds())) return;
  const DiscoveryAnswer answer{discovery.gamePort, static_cast<std::uint8_t>(SeatsTakenNow()),
                               static_cast<std::uint8_t>(LAN_SEATS)};
  // Each asker is answered in its own version.
  const std::string bytes = version == DISCOVERY_NAMED_VERSION
                                ? BuildNamedDiscoveryAnswer(answer, discovery.gameName)
                                : BuildDiscoveryAnswer(answer);
  std::uint32_t sent = 0;
  // A failed answer is the asker's loss alone; the record serves on.
  PLAX_Send(id, bytes, sent, sender_address, reply_port);
}

void OnDiscoveryEnded(PLAX_ID id);

PLAX_Result OpenRecord() {
  discovery.openedAt = TimerSeconds();
  PLAX_ID id = 0;
  std::uint16_t bound = 0;
  return PLAX_OpenDatagram(id, discovery.gamePort, PLAX_DATAGRAM_NONE, OnDiscoveryEnded,
                           OnDiscoveryRequest, bound);
}

// The record ends only when its socket fails: discovery must not go silent
// for the rest of the run, so a new record takes its place, and a failure to
// get one is told once.
void OnDiscoveryEnded(PLAX_ID) {
  if (exiting) return;
  PLAX_Result result = PLAX_GURU_NO_SOCKET;
  if (TimerSeconds() - discovery.openedAt >= REOPEN_AFTER_SECONDS) result = OpenRecord();
  if (result != PLAX_GURU_NO_ERROR) PrintLine(EngineErrorLine(PLAX_GURUText(result)));
}

}  // namespace

PLAX_Result LanDiscovery_Open(std::uint16_t game_port, const std::string& game_name) {
  discovery.gamePort = game_port;
  discovery.gameName = game_name;
  // Runs before the engine's clean-up, which registered itself earlier.
  std::atexit([] { exiting = true; });
  return OpenRecord();
}
