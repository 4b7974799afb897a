// The LAN client's reader on arbitrary chunk sequences: whatever arrives, it
// holds less than a message, reports only seats 1 to 4, and reads the same
// events however the bytes are cut.
#include "fuzz_support.h"
#include "game/lan_messages.h"

namespace {

bool SameEvent(const LanEvent& a, const LanEvent& b) {
  return a.kind == b.kind && a.seat == b.seat && a.x == b.x && a.y == b.y;
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
    FUZZ_CHECK(events[i].seat >= 1 && events[i].seat <= LAN_SEATS);
    FUZZ_CHECK(SameEvent(events[i], reference[i]));
  }
  return 0;
}
