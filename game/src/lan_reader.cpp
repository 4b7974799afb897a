#include "game/lan_messages.h"
#include "game/names.h"
#include "message_framing.h"

namespace {

static_assert(POSITION_RELAY_SIZE <= PLAYER_MOVED_SIZE, "a relay must fit where a message waits");

// The whole size of a named message whose name length is at `length_at`, as
// far as `start` tells it. A length over the limit leaves the message at its
// fixed part, which is then read as unreadable.
std::size_t NamedMessage_Size(std::string_view start, std::size_t length_at) {
  if (start.size() <= length_at) return length_at + 1;
  const std::size_t length = static_cast<std::uint8_t>(start[length_at]);
  return length_at + 1 + (length <= LAN_NAME_MAX_BYTES ? length : 0);
}

bool NamedMessage_LengthFits(std::string_view message, std::size_t length_at) {
  return message.size() == length_at + 1 + static_cast<std::uint8_t>(message[length_at]);
}

// The whole size of a message from the server, as far as its first bytes
// tell it; 0 for no message.
std::size_t ServerMessage_Size(std::string_view start) {
  switch (static_cast<std::uint8_t>(start[0])) {
    case MSG_PLAYER_NAMED:
      return NamedMessage_Size(start, 2);
    case MSG_PLAYER_MOVED:
      return PLAYER_MOVED_SIZE;
    case MSG_PLAYER_LEFT:
      return PLAYER_LEFT_SIZE;
    case MSG_WELCOME:
      return WELCOME_SIZE;
    case MSG_REFUSED:
      return REFUSED_SIZE;
    case MSG_KEEP_ALIVE:
      return KEEP_ALIVE_SIZE;
    // A server without the LAN game relays positions: skipped whole, so that
    // bytes inside a relay are never taken for the start of a message.
    case MSG_POSITION:
      return POSITION_RELAY_SIZE;
    default:
      return 0;
  }
}

// Members left out of a brace list would read as a mistake to the compiler.
LanEvent Event(LanEventKind kind, int seat = 0, std::int32_t x = 0, std::int32_t y = 0) {
  LanEvent event;
  event.kind = kind;
  event.seat = seat;
  event.x = x;
  event.y = y;
  return event;
}

bool Seat_Valid(int seat) {
  return seat >= 1 && seat <= LAN_SEATS;
}

void ServerMessage_Read(std::string_view message, std::vector<LanEvent>& events) {
  const auto type = static_cast<std::uint8_t>(message[0]);
  if (type == MSG_KEEP_ALIVE) {
    events.push_back(Event(LanEventKind::KeepAlive));
    return;
  }
  if (type == MSG_REFUSED) {
    events.push_back(Event(LanEventKind::Refused));
    events.back().reason = static_cast<std::uint8_t>(message[1]);
    return;
  }
  if (type == MSG_WELCOME) {
    const int seat = static_cast<std::int8_t>(message[1]);
    const int oldest = static_cast<std::uint8_t>(message[2]);
    if (!Seat_Valid(seat) || oldest < LAN_OLDEST_VERSION || oldest > LAN_PROTOCOL_VERSION) return;
    events.push_back(Event(LanEventKind::Welcome, seat));
    return;
  }
  if (type == MSG_PLAYER_NAMED) {
    const int seat = static_cast<std::int8_t>(message[1]);
    std::string name = Name_Clean(message.substr(3));
    if (!Seat_Valid(seat) || !NamedMessage_LengthFits(message, 2) || name.empty()) return;
    events.push_back(Event(LanEventKind::Named, seat));
    events.back().name = std::move(name);
    return;
  }
  if (type == MSG_POSITION) return;
  const int seat = static_cast<std::int8_t>(message.back());
  if (!Seat_Valid(seat)) return;
  if (type == MSG_PLAYER_LEFT) {
    events.push_back(Event(LanEventKind::Left, seat));
    return;
  }
  const Position position = ReadPosition(message);
  events.push_back(Event(LanEventKind::Moved, seat, position.x, position.y));
}

// A Hello of version 1 ends after its version; a later one carries a name.
std::size_t Hello_Size(std::string_view start) {
  if (start.size() < HELLO_SIZE || static_cast<std::uint8_t>(start[1]) < 2) return HELLO_SIZE;
  return NamedMessage_Size(start, 2);
}

std::size_t SeatMessage_Size(std::string_view start) {
  switch (static_cast<std::uint8_t>(start[0])) {
    case MSG_POSITION:
      return POSITION_REPORT_SIZE;
    case MSG_HELLO:
      return Hello_Size(start);
    case MSG_KEEP_ALIVE:
      return KEEP_ALIVE_SIZE;
    default:
      return 0;
  }
}

void SeatMessage_Read(std::string_view message, std::vector<SeatMessage>& messages) {
  switch (static_cast<std::uint8_t>(message[0])) {
    case MSG_HELLO: {
      const int version = static_cast<std::uint8_t>(message[1]);
      if (version >= 2 && !NamedMessage_LengthFits(message, 2)) return;
      SeatMessage& hello = messages.emplace_back();
      hello.kind = SeatMessageKind::Hello;
      hello.version = version;
      if (version >= 2) hello.name = Name_Clean(message.substr(3));
      return;
    }
    case MSG_KEEP_ALIVE:
      messages.emplace_back().kind = SeatMessageKind::KeepAlive;
      return;
    default: {
      const Position position = ReadPosition(message);
      SeatMessage& report = messages.emplace_back();
      report.x = position.x;
      report.y = position.y;
    }
  }
}

}  // namespace

void LanReader_Feed(LanReader& reader, std::string_view chunk, std::vector<LanEvent>& events) {
  MessageFraming_Feed(reader.pending, reader.size, chunk, ServerMessage_Size,
                      [&](std::string_view message) { ServerMessage_Read(message, events); });
}

void SeatReader_Feed(SeatReader& reader, std::string_view chunk,
                     std::vector<SeatMessage>& messages) {
  MessageFraming_Feed(reader.pending, reader.size, chunk, SeatMessage_Size,
                      [&](std::string_view message) { SeatMessage_Read(message, messages); });
}
