// Plain blocking TCP sockets on 127.0.0.1, without the engine: the other end
// of a connection under test, or a baseline to measure against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A connection to `port`, sending without waiting to fill segments; -1 when
// nothing accepts it.
int PlainConnect(std::uint16_t port);
// A listener on `port`, or on a port the system chooses when `port` is 0,
// which is then written back.
int PlainListen(std::uint16_t& port, int backlog = 16);
bool PlainSendAll(int socket, const std::string& data);
// Reads until `size` bytes came (never more), the peer closed or `seconds` passed.
std::string PlainReceive(int socket, std::size_t size, double seconds = 10.0);
void PlainClose(int socket);
