#include "game/lan_search.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "game/discovery.h"
#include "game/names.h"
#include "game/texts.h"
#include "plax/plax.h"

namespace {

// The datagram callback carries no context: what it finds waits here.
struct Search {
  std::mutex mutex;
  std::vector<LanGame> games;
  std::vector<std::string> ownAddresses;  // this machine's, but the loopback's
};

Search search;

bool Address_IsLoopback(const std::string& address) {
  return address.starts_with("127.");
}

bool Search_IsOwnHost(const std::string& address) {
  return Address_IsLoopback(address) ||
         std::find(search.ownAddresses.begin(), search.ownAddresses.end(), address) !=
             search.ownAddresses.end();
}

// A game on this machine hears the search over the loopback and over each of
// its networks, and answers each: one game on one port, however it answered.
bool Search_SameGame(const LanGame& known, const LanGame& game) {
  if (known.port != game.port) return false;
  return known.host == game.host || (Search_IsOwnHost(known.host) && Search_IsOwnHost(game.host));
}

// A game answers each copy of each request: the newest answer of each stays,
// under the first address that is not the loopback's (the one the others
// join with, which the host's console shows too).
void Search_Keep(const LanGame& game) {
  for (LanGame& known : search.games) {
    if (!Search_SameGame(known, game)) continue;
    const std::string host = Address_IsLoopback(known.host) ? game.host : known.host;
    known = game;
    known.host = host;
    return;
  }
  search.games.push_back(game);
}

// On the record's worker thread.
void Search_OnDatagram(PLAX_ID, const char* sender_address, const PLAX_Bytes& data) {
  DiscoveryAnswer answer;
  std::string name;
  if (!ReadDiscoveryAnswer(data, answer, name)) return;
  const LanGame game{sender_address, answer.gamePort, name, answer.seatsTaken, answer.seatsInAll};
  std::lock_guard<std::mutex> lock(search.mutex);
  Search_Keep(game);
}

std::size_t Search_Count() {
  std::lock_guard<std::mutex> lock(search.mutex);
  return search.games.size();
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

// The rounds, each followed by its wait; ends early once games have answered
// and a whole round added none.
void Search_Rounds(PLAX_ID id, const std::string& request, std::uint16_t port) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  std::vector<std::string> addresses;
  PLAX_ListBroadcastAddresses(addresses);
  for (int round = 0; round < LAN_SEARCH_ROUNDS; ++round) {
    const std::size_t before = Search_Count();
    Search_SendRound(id, addresses, request, port);
    const double next =
        round + 1 < LAN_SEARCH_ROUNDS ? (round + 1) * LAN_SEARCH_ROUND_SECONDS : LAN_SEARCH_SECONDS;
    std::this_thread::sleep_until(
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(next)));
    const std::size_t after = Search_Count();
    if (round > 0 && after > 0 && after == before) return;
  }
}

}  // namespace

std::string NoGameNamedLine(std::string_view name) {
  return "No game named \"" + Name_Clean(name, GAME_NAME_MAX_CHARS) +
         "\" found on the local network";
}

bool LanGame_HasFreeSeat(const LanGame& game) {
  return game.seatsTaken < game.seatsInAll;
}

LanGames LanSearch_FindAll(std::uint16_t discovery_port) {
  LanGames result;
  {
    std::lock_guard<std::mutex> lock(search.mutex);
    search.games.clear();
    PLAX_ListLocalAddresses(search.ownAddresses);
  }
  PLAX_ID id = 0;
  std::uint16_t reply_port = 0;
  const PLAX_Result opened =
      PLAX_OpenDatagram(id, 0, PLAX_DATAGRAM_BROADCAST, nullptr, Search_OnDatagram, reply_port);
  if (opened != PLAX_GURU_NO_ERROR) {
    result.failure = EngineErrorLine(PLAX_GURUText(opened));
    return result;
  }
  Search_Rounds(id, BuildDiscoveryRequest(reply_port, DISCOVERY_NAMED_VERSION), discovery_port);
  PLAX_Close(id);
  std::lock_guard<std::mutex> lock(search.mutex);
  result.games = search.games;
  return result;
}

FoundGame LanGames_Pick(const LanGames& found, std::string_view name) {
  FoundGame result;
  if (!found.failure.empty()) {
    result.failure = found.failure;
    return result;
  }
  for (const LanGame& game : found.games) {
    const bool wanted = name.empty() ? LanGame_HasFreeSeat(game) : game.name == name;
    if (wanted) {
      result.host = game.host;
      result.port = game.port;
      return result;
    }
  }
  if (!name.empty()) {
    result.failure = NoGameNamedLine(name);
    return result;
  }
  result.failure = NO_GAME_FOUND_LINE;
  for (const LanGame& game : found.games) {
    if (LanGame_HasFreeSeat(game)) continue;
    result.fullHost = game.host;
    result.fullPort = game.port;
    result.fullSeats = game.seatsInAll;
    break;
  }
  return result;
}

FoundGame LanSearch_Find(std::uint16_t discovery_port) {
  return LanGames_Pick(LanSearch_FindAll(discovery_port));
}
