#include "game/lan_search.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "game/discovery.h"
#include "game/texts.h"
#include "plax/plax.h"

namespace {

// The datagram callback carries no context: what it finds waits here.
struct Search {
  std::mutex mutex;
  std::condition_variable answered;
  bool found = false;
  std::string host;
  std::uint16_t port = 0;
  std::string fullHost;  // the first full game that answered, if any
  std::uint16_t fullPort = 0;
  int fullSeats = 0;
};

Search search;

// On the record's worker thread.
void Search_OnDatagram(PLAX_ID, const char* sender_address, const PLAX_Bytes& data) {
  DiscoveryAnswer answer;
  if (!ReadDiscoveryAnswer(data, answer)) return;
  std::lock_guard<std::mutex> lock(search.mutex);
  if (search.found) return;
  if (!DiscoveryAnswer_HasFreeSeat(answer)) {
    if (!search.fullHost.empty()) return;
    search.fullHost = sender_address;
    search.fullPort = answer.gamePort;
    search.fullSeats = answer.seatsInAll;
    return;
  }
  search.found = true;
  search.host = sender_address;
  search.port = answer.gamePort;
  search.answered.notify_all();
}

// One round: every interface's broadcast address, then 255.255.255.255,
// which has no route on some hosts, so its failure is no failure.
void Search_SendRound(PLAX_ID id, const std::vector<std::string>& addresses,
                      const std::string& request, std::uint16_t port) {
  for (const std::string& address : addresses) {
    std::uint32_t sent = 0;
    PLAX_Send(id, request, sent, address.c_str(), port);
  }
  std::uint32_t sent = 0;
  PLAX_Send(id, request, sent, "0", port);
}

// Waits until an answer came or `until` passed; true when one came.
bool Search_WaitUntil(std::chrono::steady_clock::time_point until) {
  std::unique_lock<std::mutex> lock(search.mutex);
  return search.answered.wait_until(lock, until, [] { return search.found; });
}

}  // namespace

FoundGame LanSearch_Find(std::uint16_t discovery_port) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  FoundGame result;
  {
    std::lock_guard<std::mutex> lock(search.mutex);
    search.found = false;
    search.fullHost.clear();
  }
  PLAX_ID id = 0;
  std::uint16_t reply_port = 0;
  const PLAX_Result opened =
      PLAX_OpenDatagram(id, 0, PLAX_DATAGRAM_BROADCAST, nullptr, Search_OnDatagram, reply_port);
  if (opened != PLAX_GURU_NO_ERROR) {
    result.failure = EngineErrorLine(PLAX_GURUText(opened));
    return result;
  }
  std::vector<std::string> addresses;
  PLAX_ListBroadcastAddresses(addresses);
  const std::string request = BuildDiscoveryRequest(reply_port);
  bool found = false;
  for (int round = 0; round < LAN_SEARCH_ROUNDS && !found; ++round) {
    Search_SendRound(id, addresses, request, discovery_port);
    const double next =
        round + 1 < LAN_SEARCH_ROUNDS ? (round + 1) * LAN_SEARCH_ROUND_SECONDS : LAN_SEARCH_SECONDS;
    found = Search_WaitUntil(
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(next)));
  }
  PLAX_Close(id);
  std::lock_guard<std::mutex> lock(search.mutex);
  if (!found) {
    result.failure = NO_GAME_FOUND_LINE;
    result.fullHost = search.fullHost;
    result.fullPort = search.fullPort;
    result.fullSeats = search.fullSeats;
    return result;
  }
  result.host = search.host;
  result.port = search.port;
  return result;
}
