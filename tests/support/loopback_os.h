// The system's single socket calls under the plain loopback helpers.
#pragma once

#include <cstddef>

// One send; the bytes the system took, or 0 or less when it failed.
long PlainSendSome(int socket, const char* data, std::size_t size);
// Waits up to `wait_ms` for something to read, then one receive: the bytes
// read, 0 when the peer has closed, below 0 on time-out or failure.
long PlainReceiveSome(int socket, char* buffer, std::size_t size, int wait_ms);
