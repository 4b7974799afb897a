// Each seat's colour, for its player's mark and name tag. Four that people
// with the common colour-vision deficiencies still tell apart, and that
// stand out from the dark tiles.
#pragma once

#include <array>
#include <cstdint>

#include "game/lan_messages.h"

struct SeatColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
};

inline constexpr std::array<SeatColour, LAN_SEATS> SEAT_COLOURS = {{
    {230, 159, 0},    // seat 1: orange
    {86, 180, 233},   // seat 2: sky blue
    {0, 158, 115},    // seat 3: bluish green
    {204, 121, 167},  // seat 4: reddish purple
}};

// Seats count from 1; anything else gets the first colour.
inline SeatColour SeatColour_Of(int seat) {
  return seat >= 1 && seat <= LAN_SEATS ? SEAT_COLOURS[static_cast<std::size_t>(seat - 1)]
                                        : SEAT_COLOURS[0];
}
