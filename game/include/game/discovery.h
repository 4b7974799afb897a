// Finding a LAN game: the request a client broadcasts and the answer a LAN
// server sends back, integers little-endian. Version 1 messages are 8 bytes;
// a version 2 answer also carries the game's name, and a version 2 request is
// padded to the answer's size. An answer is thus never larger than the
// request, and the server answers at most DISCOVERY_ANSWERS_PER_SECOND
// requests in any second, and at most DISCOVERY_ANSWERS_PER_ASKER of them to
// one address, so a forged sender address cannot turn the server into an
// amplifier or a flood, and one busy asker cannot hide the game from others.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "game/names.h"

inline constexpr std::size_t DISCOVERY_MESSAGE_SIZE = 8;
inline constexpr std::uint8_t DISCOVERY_VERSION = 1;
// Version 2: the 8 bytes of version 1, then the name's length and
// GAME_NAME_MAX_CHARS bytes, the name followed by zeros.
inline constexpr std::uint8_t DISCOVERY_NAMED_VERSION = 2;
inline constexpr std::size_t DISCOVERY_NAMED_SIZE =
    DISCOVERY_MESSAGE_SIZE + 1 + GAME_NAME_MAX_CHARS;
// "TG?" asks, "TG!" answers.
inline constexpr std::string_view DISCOVERY_REQUEST_MAGIC = "TG?";
inline constexpr std::string_view DISCOVERY_ANSWER_MAGIC = "TG!";
inline constexpr int DISCOVERY_ANSWERS_PER_SECOND = 20;
// A search asks three times in 0.8 s, and each request may arrive twice (the
// link's broadcast address and 255.255.255.255): this many answers a second
// serve one searching machine, and leave most of the overall cap to others.
inline constexpr int DISCOVERY_ANSWERS_PER_ASKER = 8;
// The askers the server keeps account of; a new one replaces the one silent
// longest, so a sender of many forged addresses meets the overall cap alone.
inline constexpr std::size_t DISCOVERY_ASKERS_KEPT = 16;

struct DiscoveryAnswer {
  std::uint16_t gamePort = 0;   // the server's TCP port
  std::uint8_t seatsTaken = 0;  // now
  std::uint8_t seatsInAll = 0;
};

// "TG?", version, the port the client waits for answers on, zeros up to the
// version's size (two bytes in version 1).
std::string BuildDiscoveryRequest(std::uint16_t reply_port,
                                  std::uint8_t version = DISCOVERY_VERSION);
// "TG!", version 1, game port, seats taken, seats in all.
std::string BuildDiscoveryAnswer(const DiscoveryAnswer& answer);
// The same in version 2, followed by the game's name, cleaned and cut to
// GAME_NAME_MAX_CHARS, behind its length, and zeros.
std::string BuildNamedDiscoveryAnswer(const DiscoveryAnswer& answer, std::string_view name);

// Strict readers: false, with the outputs untouched, for anything but a
// well-formed message of version 1 or 2, each of its own size. A request
// naming reply port 0 is not one, nor one whose padding is not all zeros; nor
// an answer naming game port 0, no seats at all, more taken than there are, a
// name longer than GAME_NAME_MAX_CHARS or padding behind the name that is not
// zeros. The name read is cleaned (Name_Clean), so it may come out empty.
bool ReadDiscoveryRequest(std::string_view datagram, std::uint16_t& reply_port_out,
                          std::uint8_t& version_out);
bool ReadDiscoveryRequest(std::string_view datagram, std::uint16_t& reply_port_out);
bool ReadDiscoveryAnswer(std::string_view datagram, DiscoveryAnswer& answer_out,
                         std::string& name_out);  // empty for version 1
bool ReadDiscoveryAnswer(std::string_view datagram, DiscoveryAnswer& answer_out);

bool DiscoveryAnswer_HasFreeSeat(const DiscoveryAnswer& answer);

// The times of the last answers in a ring, so that no second, wherever it
// starts, holds more than the ring's size.
template <std::size_t N>
struct AnswerTimes {
  std::array<double, N> sent{};  // seconds
  std::size_t next = 0;          // oldest entry once full
  std::size_t count = 0;
};

struct AnswerAsker {
  std::string address;  // dotted; empty: a free entry
  double lastAsked = 0.0;
  AnswerTimes<DISCOVERY_ANSWERS_PER_ASKER> answers;
};

// The server's answer budget: overall and per asking address. A pure
// function of the times and addresses it is given.
struct AnswerLimiter {
  AnswerTimes<DISCOVERY_ANSWERS_PER_SECOND> overall;
  std::array<AnswerAsker, DISCOVERY_ASKERS_KEPT> askers;
};

// True, and counted for both budgets, when an answer to `address` may go out
// at `now_seconds` (readings of one monotonic clock that never go back). A
// request turned away by either budget costs neither.
bool AnswerLimiter_Allow(AnswerLimiter& limiter, std::string_view address, double now_seconds);
