// The LAN server's reading of a discovery request, on any datagram: it takes
// only an 8-byte request of this version with a reply port, and what it
// takes, built again, is the datagram itself.
#include "fuzz_support.h"
#include "game/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  std::uint16_t reply_port = 0;
  if (!ReadDiscoveryRequest(datagram, reply_port)) {
    FUZZ_CHECK(reply_port == 0);
    return 0;
  }
  FUZZ_CHECK(size == DISCOVERY_MESSAGE_SIZE);
  FUZZ_CHECK(reply_port != 0);
  FUZZ_CHECK(BuildDiscoveryRequest(reply_port) == datagram);
  return 0;
}
