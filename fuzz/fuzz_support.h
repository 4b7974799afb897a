// Helpers the fuzz targets share: a scratch file for the readers that take a
// path, cutting an input into chunks, and the report framing written the
// plain way, as the reference the fast framing is checked against.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "game/messages.h"

// Stops the run with a message; libFuzzer saves the input as a crash.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

// Writes `data` to this process's scratch file and returns its path.
inline const char* WriteScratchFile(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/fuzz_input_" +
           std::to_string(getpid());
  }();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(file != nullptr);
  FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
  std::fclose(file);
  return path.c_str();
}

// Each chunk is a length byte and that many bytes (fewer at the end of the
// input). The engine never delivers an empty chunk, so length 0 reads as 1.
inline std::vector<std::string_view> SplitChunks(std::string_view input) {
  std::vector<std::string_view> chunks;
  while (!input.empty()) {
    std::size_t length = static_cast<std::uint8_t>(input[0]);
    input.remove_prefix(1);
    if (length == 0) length = 1;
    std::string_view chunk = input.substr(0, length);
    input.remove_prefix(chunk.size());
    if (!chunk.empty()) chunks.push_back(chunk);
  }
  return chunks;
}

// The framing one byte at a time: a report starts with MSG_POSITION, a stray
// type byte at a report's start ends the chunk, nine bytes make a report.
struct ReferenceFraming {
  std::string pending;
  std::vector<Position> reports;

  void Feed(std::string_view chunk) {
    for (char byte : chunk) {
      if (pending.empty() && static_cast<std::uint8_t>(byte) != MSG_POSITION) return;
      pending += byte;
      if (pending.size() < POSITION_REPORT_SIZE) continue;
      reports.push_back(ReadPosition(pending));
      pending.clear();
    }
  }
};
