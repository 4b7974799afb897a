#include "game/discovery.h"

namespace {

constexpr std::size_t MAGIC_SIZE = 3;
constexpr std::size_t VERSION_AT = 3;
constexpr std::size_t PORT_AT = 4;
constexpr std::size_t SEATS_TAKEN_AT = 6;
constexpr std::size_t SEATS_IN_ALL_AT = 7;
constexpr double LIMIT_WINDOW_SECONDS = 1.0;

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

std::uint16_t PortAt(std::string_view bytes) {
  return static_cast<std::uint16_t>(ByteAt(bytes, PORT_AT) | (ByteAt(bytes, PORT_AT + 1) << 8));
}

std::string Message(std::string_view magic, std::uint16_t port, std::uint8_t six,
                    std::uint8_t seven) {
  std::string bytes(magic);
  bytes += static_cast<char>(DISCOVERY_VERSION);
  bytes += static_cast<char>(port & 0xFF);
  bytes += static_cast<char>(port >> 8);
  bytes += static_cast<char>(six);
  bytes += static_cast<char>(seven);
  return bytes;
}

// Size, magic and version: what both messages share.
bool HasHeader(std::string_view datagram, std::string_view magic) {
  return datagram.size() == DISCOVERY_MESSAGE_SIZE && datagram.substr(0, MAGIC_SIZE) == magic &&
         ByteAt(datagram, VERSION_AT) == DISCOVERY_VERSION;
}

}  // namespace

std::string BuildDiscoveryRequest(std::uint16_t reply_port) {
  return Message(DISCOVERY_REQUEST_MAGIC, reply_port, 0, 0);
}

std::string BuildDiscoveryAnswer(const DiscoveryAnswer& answer) {
  return Message(DISCOVERY_ANSWER_MAGIC, answer.gamePort, answer.seatsTaken, answer.seatsInAll);
}

bool ReadDiscoveryRequest(std::string_view datagram, std::uint16_t& reply_port_out) {
  if (!HasHeader(datagram, DISCOVERY_REQUEST_MAGIC)) return false;
  const std::uint16_t port = PortAt(datagram);
  if (port == 0 || ByteAt(datagram, SEATS_TAKEN_AT) != 0 || ByteAt(datagram, SEATS_IN_ALL_AT) != 0)
    return false;
  reply_port_out = port;
  return true;
}

bool ReadDiscoveryAnswer(std::string_view datagram, DiscoveryAnswer& answer_out) {
  if (!HasHeader(datagram, DISCOVERY_ANSWER_MAGIC)) return false;
  DiscoveryAnswer answer;
  answer.gamePort = PortAt(datagram);
  answer.seatsTaken = ByteAt(datagram, SEATS_TAKEN_AT);
  answer.seatsInAll = ByteAt(datagram, SEATS_IN_ALL_AT);
  if (answer.gamePort == 0 || answer.seatsInAll == 0 || answer.seatsTaken > answer.seatsInAll)
    return false;
  answer_out = answer;
  return true;
}

bool DiscoveryAnswer_HasFreeSeat(const DiscoveryAnswer& answer) {
  return answer.seatsTaken < answer.seatsInAll;
}

bool AnswerLimiter_Allow(AnswerLimiter& limiter, double now_seconds) {
  // Full: the oldest of the last answers must be a whole second old.
  if (limiter.count == limiter.sent.size() &&
      now_seconds - limiter.sent[limiter.next] < LIMIT_WINDOW_SECONDS)
    return false;
  limiter.sent[limiter.next] = now_seconds;
  limiter.next = (limiter.next + 1) % limiter.sent.size();
  if (limiter.count < limiter.sent.size()) ++limiter.count;
  return true;
}
