// Two hosts of the bench's own (network namespaces) joined by a link that
// this process carries packet by packet, delaying each by a uniform random
// time in DELAY +- JITTER and losing a share of them, in each direction, as
// a Wi-Fi link bunches and drops them. Packets are carried, not replayed:
// TCP sees real loss and retransmits. The link is a TUN device in each host
// (no traffic leaves the two); it needs root.
#pragma once

#include <atomic>
#include <string>
#include <thread>

struct LinkShape {
  double delaySeconds = 0.020;
  double jitterSeconds = 0.015;
  double loss = 0.01;  // share of packets lost
};

struct JitterLink {
  std::string names[2];      // namespace names under /run/netns
  std::string addresses[2];  // each host's address on the link
  std::string failure;       // empty once the link carries packets
  int tun[2] = {-1, -1};
  std::atomic<bool> stop{false};
  std::thread carrier;
};

// Makes both hosts and starts carrying packets with `shape`.
void JitterLink_Open(JitterLink& link, const LinkShape& shape);
// Stops the carrier and removes the hosts.
void JitterLink_Close(JitterLink& link);
