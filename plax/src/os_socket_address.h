// IPv4 socket addresses, the same on every system's sockets: include it after
// the system's own socket headers, which declare the types it uses.
#pragma once

#include <cstdint>
#include <string>

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
