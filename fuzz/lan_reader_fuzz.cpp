// Both LAN readers on arbitrary chunk sequences: whatever arrives, each holds
// less than a message, the client's reports only seats 1 to 4 for the
// messages that name one, and each reads the same messages however the bytes
// are cut.
#include "fuzz_support.h"
#include "game/lan_messages.h"

namespace {

bool SameEvent(const LanEvent& a, const LanEvent& b) {
  return a.kind == b.kind && a.seat == b.seat && a.x == b.x && a.y == b.y && a.reason == b.reason;
}

bool SameMessage(const SeatMessage& a, const SeatMessage& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.version == b.version;
}

bool NamesASeat(LanEventKind kind) {
  return kind == LanEventKind::Moved || kind == LanEventKind::Left || kind == LanEventKind::Welcome;
}

void CheckSeatReader(std::string_view input) {
  SeatReader chunked;
  std::vector<SeatMessage> messages;
  std::string stream;
  for (std::string_view chunk : SplitChunks(input)) {
    SeatReader_Feed(chunked, chunk, messages);
    stream.append(chunk);
    FUZZ_CHECK(chunked.size < POSITION_REPORT_SIZE);
  }
  SeatReader byte_by_byte;
  std::vector<SeatMessage> reference;
  for (char byte : stream) SeatReader_Feed(byte_by_byte, std::string_view(&byte, 1), reference);
  FUZZ_CHECK(messages.size() == reference.size());
  for (std::size_t i = 0; i < messages.size(); ++i) {
    FUZZ_CHECK(SameMessage(messages[i], reference[i]));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  LanReader chunked;
  std::vector<LanEvent> events;
  std::string stream;
  for (std::string_view chunk : SplitChunks(input)) {
    LanReader_Feed(chunked, chunk, events);
    stream.append(chunk);
    FUZZ_CHECK(chunked.size < PLAYER_MOVED_SIZE);
  }
  LanReader byte_by_byte;
  std::vector<LanEvent> reference;
  for (char byte : stream) LanReader_Feed(byte_by_byte, std::string_view(&byte, 1), reference);
  FUZZ_CHECK(events.size() == reference.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (NamesASeat(events[i].kind)) FUZZ_CHECK(events[i].seat >= 1 && events[i].seat <= LAN_SEATS);
    FUZZ_CHECK(SameEvent(events[i], reference[i]));
  }
  CheckSeatReader(input);
  return 0;
}
