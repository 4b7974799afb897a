// IPv4 socket addresses and name look-ups, the same on every system's
// sockets: include it after the system's own socket headers, which declare
// what it uses.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

inline sockaddr_in SockAddress_Make(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  result.sin_addr.s_addr = address;
  return result;
}

inline std::string SockAddress_Dotted(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return text;
}

// Looks a host name up (IPv4 only); false if it has no address.
inline bool SockAddress_Lookup(const char* host, std::uint32_t& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return true;
}
