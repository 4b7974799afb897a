#include "report_framing.h"

#include <cstdint>

void ReportBuffer_Feed(ReportBuffer& buffer, std::string_view chunk,
                       std::vector<Position>& reports) {
  std::array<char, POSITION_REPORT_SIZE> report{};
  for (char byte : chunk) {
    if (buffer.size == 0 && static_cast<std::uint8_t>(byte) != MSG_POSITION) return;
    if (buffer.size < MAX_PENDING_BYTES) {
      buffer.bytes[buffer.size++] = byte;
      continue;
    }
    // This byte completes a report.
    for (std::size_t i = 0; i < MAX_PENDING_BYTES; ++i) report[i] = buffer.bytes[i];
    report[MAX_PENDING_BYTES] = byte;
    reports.push_back(ReadPosition(std::string_view(report.data(), report.size())));
    buffer.size = 0;
  }
}
