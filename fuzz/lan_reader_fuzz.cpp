// Both LAN readers on arbitrary chunk sequences: whatever arrives, each holds
// less than a message, the client's reports only seats 1 to 4 for the
// messages that name one, every name read is printable and short, and each
// reads the same messages however the bytes are cut.
#include "fuzz_support.h"
#include "game/lan_messages.h"
#include "game/names.h"

namespace {

bool Same(const LanEvent& a, const LanEvent& b) {
  return a.kind == b.kind && a.seat == b.seat && a.x == b.x && a.y == b.y && a.reason == b.reason &&
         a.name == b.name;
}

bool Same(const SeatMessage& a, const SeatMessage& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.version == b.version && a.name == b.name;
}

void CheckName(const std::string& name) {
  FUZZ_CHECK(name.size() <= PLAYER_NAME_MAX_CHARS);
  for (char byte : name) FUZZ_CHECK(byte >= ' ' && byte <= '~');
}

bool NamesASeat(LanEventKind kind) {
  return kind == LanEventKind::Moved || kind == LanEventKind::Left ||
         kind == LanEventKind::Welcome || kind == LanEventKind::Named;
}

// Feeds `input` in the chunks it encodes and byte by byte: the reader never
// holds a whole message, and both ways read the same. Gives what was read.
template <typename Reader, typename Message>
std::vector<Message> ReadBothWays(std::string_view input,
                                  void (*feed)(Reader&, std::string_view, std::vector<Message>&),
                                  std::size_t longest) {
  Reader chunked;
  std::vector<Message> messages;
  std::string stream;
  for (std::string_view chunk : SplitChunks(input)) {
    feed(chunked, chunk, messages);
    stream.append(chunk);
    FUZZ_CHECK(chunked.size < longest);
  }
  Reader byte_by_byte;
  std::vector<Message> reference;
  for (char byte : stream) feed(byte_by_byte, std::string_view(&byte, 1), reference);
  FUZZ_CHECK(messages.size() == reference.size());
  for (std::size_t i = 0; i < messages.size(); ++i) FUZZ_CHECK(Same(messages[i], reference[i]));
  return messages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const LanEvent& event : ReadBothWays(input, LanReader_Feed, PLAYER_NAMED_MAX_SIZE)) {
    if (NamesASeat(event.kind)) FUZZ_CHECK(event.seat >= 1 && event.seat <= LAN_SEATS);
    CheckName(event.name);
  }
  for (const SeatMessage& message : ReadBothWays(input, SeatReader_Feed, HELLO_NAMED_MAX_SIZE)) {
    CheckName(message.name);
  }
  return 0;
}
