#include "game/discovery.h"

#include <algorithm>

namespace {

constexpr std::size_t MAGIC_SIZE = 3;
constexpr std::size_t VERSION_AT = 3;
constexpr std::size_t PORT_AT = 4;
constexpr std::size_t SEATS_TAKEN_AT = 6;
constexpr std::size_t SEATS_IN_ALL_AT = 7;
constexpr std::size_t NAME_LENGTH_AT = 8;
constexpr std::size_t NAME_AT = 9;
constexpr double LIMIT_WINDOW_SECONDS = 1.0;

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

std::uint16_t PortAt(std::string_view bytes) {
  return static_cast<std::uint16_t>(ByteAt(bytes, PORT_AT) | (ByteAt(bytes, PORT_AT + 1) << 8));
}

std::size_t Discovery_Size(std::uint8_t version) {
  return version == DISCOVERY_NAMED_VERSION ? DISCOVERY_NAMED_SIZE : DISCOVERY_MESSAGE_SIZE;
}

std::string Message(std::string_view magic, std::uint8_t version, std::uint16_t port,
                    std::uint8_t six, std::uint8_t seven) {
  std::string bytes(magic);
  bytes += static_cast<char>(version);
  bytes += static_cast<char>(port & 0xFF);
  bytes += static_cast<char>(port >> 8);
  bytes += static_cast<char>(six);
  bytes += static_cast<char>(seven);
  return bytes;
}

// Size, magic and a known version, which fixes the size: what both messages share.
bool HasHeader(std::string_view datagram, std::string_view magic) {
  if (datagram.size() < DISCOVERY_MESSAGE_SIZE || datagram.substr(0, MAGIC_SIZE) != magic)
    return false;
  const std::uint8_t version = ByteAt(datagram, VERSION_AT);
  if (version != DISCOVERY_VERSION && version != DISCOVERY_NAMED_VERSION) return false;
  return datagram.size() == Discovery_Size(version);
}

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == '\0'; });
}

// The name field of a version 2 answer; false when it is malformed.
bool ReadName(std::string_view datagram, std::string& name_out) {
  const std::size_t length = ByteAt(datagram, NAME_LENGTH_AT);
  if (length > GAME_NAME_MAX_CHARS || !AllZero(datagram.substr(NAME_AT + length))) return false;
  name_out = Name_Clean(datagram.substr(NAME_AT, length), GAME_NAME_MAX_CHARS);
  return true;
}

template <std::size_t N>
bool AnswerTimes_Full(const AnswerTimes<N>& times, double now_seconds) {
  // Full: the oldest of the last answers must be a whole second old.
  return times.count == N && now_seconds - times.sent[times.next] < LIMIT_WINDOW_SECONDS;
}

template <std::size_t N>
void AnswerTimes_Add(AnswerTimes<N>& times, double now_seconds) {
  times.sent[times.next] = now_seconds;
  times.next = (times.next + 1) % N;
  if (times.count < N) ++times.count;
}

// The asker's entry: its own, else a free one, else the one silent longest,
// started afresh.
AnswerAsker& AnswerLimiter_Asker(AnswerLimiter& limiter, std::string_view address) {
  AnswerAsker* oldest = &limiter.askers[0];
  for (AnswerAsker& asker : limiter.askers) {
    if (asker.address == address) return asker;
    if (asker.address.empty()) {
      oldest = &asker;
      break;
    }
    if (asker.lastAsked < oldest->lastAsked) oldest = &asker;
  }
  *oldest = AnswerAsker{};
  oldest->address = address;
  return *oldest;
}

}  // namespace

std::string BuildDiscoveryRequest(std::uint16_t reply_port, std::uint8_t version) {
  std::string bytes = Message(DISCOVERY_REQUEST_MAGIC, version, reply_port, 0, 0);
  bytes.resize(Discovery_Size(version), '\0');
  return bytes;
}

std::string BuildDiscoveryAnswer(const DiscoveryAnswer& answer) {
  return Message(DISCOVERY_ANSWER_MAGIC, DISCOVERY_VERSION, answer.gamePort, answer.seatsTaken,
                 answer.seatsInAll);
}

std::string BuildNamedDiscoveryAnswer(const DiscoveryAnswer& answer, std::string_view name) {
  std::string bytes = Message(DISCOVERY_ANSWER_MAGIC, DISCOVERY_NAMED_VERSION, answer.gamePort,
                              answer.seatsTaken, answer.seatsInAll);
  const std::string clean = Name_Clean(name, GAME_NAME_MAX_CHARS);
  bytes += static_cast<char>(clean.size());
  bytes += clean;
  bytes.resize(DISCOVERY_NAMED_SIZE, '\0');
  return bytes;
}

bool ReadDiscoveryRequest(std::string_view datagram, std::uint16_t& reply_port_out,
                          std::uint8_t& version_out) {
  if (!HasHeader(datagram, DISCOVERY_REQUEST_MAGIC)) return false;
  const std::uint16_t port = PortAt(datagram);
  if (port == 0 || !AllZero(datagram.substr(SEATS_TAKEN_AT))) return false;
  reply_port_out = port;
  version_out = ByteAt(datagram, VERSION_AT);
  return true;
}

bool ReadDiscoveryRequest(std::string_view datagram, std::uint16_t& reply_port_out) {
  std::uint8_t version = 0;
  return ReadDiscoveryRequest(datagram, reply_port_out, version);
}

bool ReadDiscoveryAnswer(std::string_view datagram, DiscoveryAnswer& answer_out,
                         std::string& name_out) {
  if (!HasHeader(datagram, DISCOVERY_ANSWER_MAGIC)) return false;
  DiscoveryAnswer answer;
  answer.gamePort = PortAt(datagram);
  answer.seatsTaken = ByteAt(datagram, SEATS_TAKEN_AT);
  answer.seatsInAll = ByteAt(datagram, SEATS_IN_ALL_AT);
  if (answer.gamePort == 0 || answer.seatsInAll == 0 || answer.seatsTaken > answer.seatsInAll)
    return false;
  std::string name;
  const bool named = ByteAt(datagram, VERSION_AT) == DISCOVERY_NAMED_VERSION;
  if (named && !ReadName(datagram, name)) return false;
  answer_out = answer;
  name_out = name;
  return true;
}

bool ReadDiscoveryAnswer(std::string_view datagram, DiscoveryAnswer& answer_out) {
  std::string name;
  return ReadDiscoveryAnswer(datagram, answer_out, name);
}

bool DiscoveryAnswer_HasFreeSeat(const DiscoveryAnswer& answer) {
  return answer.seatsTaken < answer.seatsInAll;
}

bool AnswerLimiter_Allow(AnswerLimiter& limiter, std::string_view address, double now_seconds) {
  if (AnswerTimes_Full(limiter.overall, now_seconds)) return false;
  AnswerAsker& asker = AnswerLimiter_Asker(limiter, address);
  asker.lastAsked = now_seconds;
  if (AnswerTimes_Full(asker.answers, now_seconds)) return false;
  AnswerTimes_Add(asker.answers, now_seconds);
  AnswerTimes_Add(limiter.overall, now_seconds);
  return true;
}
