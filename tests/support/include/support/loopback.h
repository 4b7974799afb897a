// Plain blocking TCP sockets on 127.0.0.1, without the engine: the other end
// of a connection under test, or a baseline to measure against. A socket is
// an int on every platform (-1: none); loopback_posix.cpp and
// loopback_win32.cpp hold the system calls.
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
// The next connection waiting on a listener (blocking), or -1.
int PlainAccept(int listener);
// Shrinks what the system buffers for reading, so that a peer that stops
// reading holds its sender back early.
void PlainSetReceiveBuffer(int socket, int bytes);
// Bytes that arrived on `socket` and wait to be read.
int PlainQueuedBytes(int socket);
// Sends `data` as one datagram (even an empty one) from the datagram socket
// `socket` to 127.0.0.1:`port`.
void PlainSendDatagram(int socket, const std::string& data, std::uint16_t port);
// A datagram socket on 127.0.0.1:`port`, or on a port the system chooses
// when `port` is 0, which is then written back; -1 when it cannot be had.
int PlainOpenDatagram(std::uint16_t& port);
// The next datagram on `socket` (up to 64 KiB), or false when none came
// within `seconds`.
bool PlainReceiveDatagram(int socket, std::string& datagram, double seconds);
// Two connected loopback sockets, each the other's peer; false if none.
bool PlainConnectedPair(int& first, int& second);
