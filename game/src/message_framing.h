// Cuts a TCP byte stream into messages whose type byte gives their size. TCP
// keeps no message boundaries, so the start of an unfinished message waits in
// `pending` for the next chunk; a byte that starts no known message where one
// should start is dropped and the next byte is tried.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// `sizeOf(type)` is a message's whole size, 0 for no message; each complete
// message goes to `take`. Every size fits in `pending` plus one byte.
template <std::size_t N, typename SizeOf, typename Take>
void MessageFraming_Feed(std::array<char, N>& pending, std::size_t& size, std::string_view chunk,
                         SizeOf sizeOf, Take take) {
  std::array<char, N + 1> message{};
  for (char byte : chunk) {
    if (size == 0 && sizeOf(byte) == 0) continue;
    const std::size_t whole = sizeOf(size == 0 ? byte : pending[0]);
    if (size + 1 < whole) {
      pending[size++] = byte;
      continue;
    }
    // This byte completes a message.
    for (std::size_t i = 0; i < size; ++i) message[i] = pending[i];
    message[size] = byte;
    take(std::string_view(message.data(), whole));
    size = 0;
  }
}
