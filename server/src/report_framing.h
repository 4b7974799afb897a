// Cuts a player's byte stream into position reports. TCP keeps no message
// boundaries: a report may arrive split over several chunks or joined with
// the next ones, so each player keeps the start of an unfinished report.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "game/messages.h"

// At most one report less a byte is ever pending for a player.
inline constexpr std::size_t MAX_PENDING_BYTES = POSITION_REPORT_SIZE - 1;

struct ReportBuffer {
  std::array<char, MAX_PENDING_BYTES> bytes{};
  std::size_t size = 0;
};

// Appends `chunk` and adds every report it completes to `reports`, in order.
// A type byte other than MSG_POSITION where a report should start drops the
// rest of the chunk (nothing is pending at such a boundary).
void ReportBuffer_Feed(ReportBuffer& buffer, std::string_view chunk,
                       std::vector<Position>& reports);
