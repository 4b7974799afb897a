// Finding a LAN game: the request a client broadcasts and the answer a LAN
// server sends back, both exactly 8 bytes, integers little-endian. The answer
// is never larger than the request and the server answers at most
// DISCOVERY_ANSWERS_PER_SECOND requests in any second, so a forged sender
// address cannot turn the server into an amplifier or a flood.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t DISCOVERY_MESSAGE_SIZE = 8;
inline constexpr std::uint8_t DISCOVERY_VERSION = 1;
// "TG?" asks, "TG!" answers.
inline constexpr std::string_view DISCOVERY_REQUEST_MAGIC = "TG?";
inline constexpr std::string_view DISCOVERY_ANSWER_MAGIC = "TG!";
inline constexpr int DISCOVERY_ANSWERS_PER_SECOND = 20;

struct DiscoveryAnswer {
  std::uint16_t gamePort = 0;   // the server's TCP port
  std::uint8_t seatsTaken = 0;  // now
  std::uint8_t seatsInAll = 0;
};

// "TG?", version, the port the client waits for answers on, two zero bytes.
std::string BuildDiscoveryRequest(std::uint16_t reply_port);
// "TG!", version, game port, seats taken, seats in all.
std::string BuildDiscoveryAnswer(const DiscoveryAnswer& answer);

// Strict readers: false, with the output untouched, for anything but a
// well-formed message of this version. A request naming reply port 0 is not
// one; nor is an answer naming game port 0, no seats at all or more taken
// than there are.
bool ReadDiscoveryRequest(std::string_view datagram, std::uint16_t& reply_port_out);
bool ReadDiscoveryAnswer(std::string_view datagram, DiscoveryAnswer& answer_out);

bool DiscoveryAnswer_HasFreeSeat(const DiscoveryAnswer& answer);

// The server's answer budget: the times of the last answers, so that no
// second, wherever it starts, holds more than DISCOVERY_ANSWERS_PER_SECOND.
// A pure function of the times it is given.
struct AnswerLimiter {
  std::array<double, DISCOVERY_ANSWERS_PER_SECOND> sent{};  // seconds, a ring
  std::size_t next = 0;                                     // oldest entry once full
  std::size_t count = 0;
};

// True, and counted, when an answer may go out at `now_seconds` (readings of
// one monotonic clock that never go back).
bool AnswerLimiter_Allow(AnswerLimiter& limiter, double now_seconds);
