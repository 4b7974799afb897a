// The searching client's reading of a discovery answer, on any datagram: it
// takes only an 8-byte answer of this version naming a game port and a
// consistent seat count, and what it takes, built again, is the datagram.
#include "fuzz_support.h"
#include "game/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  DiscoveryAnswer answer;
  if (!ReadDiscoveryAnswer(datagram, answer)) {
    FUZZ_CHECK(answer.gamePort == 0 && answer.seatsInAll == 0);
    return 0;
  }
  FUZZ_CHECK(size == DISCOVERY_MESSAGE_SIZE);
  FUZZ_CHECK(answer.gamePort != 0);
  FUZZ_CHECK(answer.seatsTaken <= answer.seatsInAll && answer.seatsInAll > 0);
  FUZZ_CHECK(BuildDiscoveryAnswer(answer) == datagram);
  return 0;
}
