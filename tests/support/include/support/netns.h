// Two hosts of a test's own on one machine: network namespaces joined by a
// virtual Ethernet link, each with its loopback up and one private address
// on the link. They have no other link and no route, so nothing a test does
// in them reaches another machine. Making them needs root (CAP_SYS_ADMIN and
// CAP_NET_ADMIN) and the `ip` program.
#pragma once

#include <cstdint>
#include <string>

struct HostPair {
  std::string names[2];      // namespace names under /run/netns, unique per test run
  std::string addresses[2];  // each host's address on the link
  std::string failure;       // why the hosts could not be made; empty once they are

  HostPair();   // makes both hosts and the link
  ~HostPair();  // removes them, and the link with them
  HostPair(const HostPair&) = delete;
  HostPair& operator=(const HostPair&) = delete;
  bool ok() const { return failure.empty(); }
};

// A TCP connection opened inside host `name` to `address`:`port`, sending
// without waiting to fill segments. The socket stays in that host's network
// whichever thread uses it later. -1 when nothing accepts it.
int NetNs_Connect(const std::string& name, const std::string& address, std::uint16_t port);
