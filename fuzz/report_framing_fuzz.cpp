// The server's report framing on arbitrary chunk sequences: what stays pending
// never reaches a whole report, and every report equals the reference's.
#include "fuzz_support.h"
#include "report_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReportBuffer buffer;
  ReferenceFraming reference;
  std::vector<Position> reports;
  for (std::string_view chunk : SplitChunks({reinterpret_cast<const char*>(data), size})) {
    ReportBuffer_Feed(buffer, chunk, reports);
    reference.Feed(chunk);
    FUZZ_CHECK(buffer.size <= MAX_PENDING_BYTES);
    FUZZ_CHECK(buffer.size == reference.pending.size());
    FUZZ_CHECK(reports.size() == reference.reports.size());
  }
  for (std::size_t i = 0; i < reports.size(); ++i) {
    FUZZ_CHECK(reports[i].x == reference.reports[i].x);
    FUZZ_CHECK(reports[i].y == reference.reports[i].y);
  }
  return 0;
}
