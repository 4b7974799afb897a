// The LAN server's reading of a discovery request, on any datagram: it takes
// only a request of version 1 (8 bytes) or 2 (padded to the named answer's
// size) with a reply port, and what it takes, built again in the version it
// came in, is the datagram itself.
#include "fuzz_support.h"
#include "game/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  std::uint16_t reply_port = 0;
  std::uint8_t version = 0;
  if (!ReadDiscoveryRequest(datagram, reply_port, version)) {
    FUZZ_CHECK(reply_port == 0 && version == 0);
    return 0;
  }
  FUZZ_CHECK(size ==
             (version == DISCOVERY_VERSION ? DISCOVERY_MESSAGE_SIZE : DISCOVERY_NAMED_SIZE));
  FUZZ_CHECK(reply_port != 0);
  FUZZ_CHECK(BuildDiscoveryRequest(reply_port, version) == datagram);
  return 0;
}
