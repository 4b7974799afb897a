// The searching client's reading of a discovery answer, on any datagram: it
// takes only an answer of version 1 (8 bytes) or 2 (named, padded) naming a
// game port and a consistent seat count. A version 1 answer, built again, is
// the datagram; a version 2 name comes out clean and within its limit, and
// built again and read back it stays the same.
#include "fuzz_support.h"
#include "game/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  DiscoveryAnswer answer;
  std::string name;
  if (!ReadDiscoveryAnswer(datagram, answer, name)) {
    FUZZ_CHECK(answer.gamePort == 0 && answer.seatsInAll == 0 && name.empty());
    return 0;
  }
  FUZZ_CHECK(answer.gamePort != 0);
  FUZZ_CHECK(answer.seatsTaken <= answer.seatsInAll && answer.seatsInAll > 0);
  if (size == DISCOVERY_MESSAGE_SIZE) {
    FUZZ_CHECK(name.empty());
    FUZZ_CHECK(BuildDiscoveryAnswer(answer) == datagram);
    return 0;
  }
  FUZZ_CHECK(size == DISCOVERY_NAMED_SIZE);
  FUZZ_CHECK(name.size() <= GAME_NAME_MAX_CHARS && Name_Clean(name, GAME_NAME_MAX_CHARS) == name);
  const std::string rebuilt = BuildNamedDiscoveryAnswer(answer, name);
  DiscoveryAnswer again;
  std::string again_name;
  FUZZ_CHECK(ReadDiscoveryAnswer(rebuilt, again, again_name));
  FUZZ_CHECK(again_name == name && again.gamePort == answer.gamePort &&
             again.seatsTaken == answer.seatsTaken && again.seatsInAll == answer.seatsInAll);
  return 0;
}
