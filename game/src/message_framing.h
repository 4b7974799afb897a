// Cuts a TCP byte stream into messages whose first bytes give their size.
// TCP keeps no message boundaries, so the start of an unfinished message
// waits in `pending` for the next chunk; a byte that starts no known message
// where one should start is dropped and the next byte is tried.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// `sizeOf(start)` is, for the first bytes of a message, its whole size as far
// as they tell it (a message with a length byte tells more once that byte is
// in), never more than N; 0 for a first byte that starts no message. Each
// complete message goes to `take`.
template <std::size_t N, typename SizeOf, typename Take>
void MessageFraming_Feed(std::array<char, N>& pending, std::size_t& size, std::string_view chunk,
                         SizeOf sizeOf, Take take) {
  for (char byte : chunk) {
    pending[size++] = byte;
    const std::size_t whole = sizeOf(std::string_view(pending.data(), size));
    if (whole == 0) {
      size = 0;
      continue;
    }
    if (size < whole) continue;
    take(std::string_view(pending.data(), whole));
    size = 0;
  }
}
