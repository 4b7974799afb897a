// Datagram echo on the engine: a datagram "PORT TEXT" is answered with TEXT,
// sent to the sender's address at PORT.
//
// The engine hands each datagram to a callback on its worker thread with the
// sender's address but not its port, so a sender that wants an answer names
// the port it listens on in front of its text. A datagram without one is
// printed and left unanswered. The answer is always shorter than the datagram
// that asked for it, so a forged sender address cannot turn the echo into an
// amplifier towards someone else. Ctrl+C stops the echo and closes the record.
#include <plax/plax.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr std::uint16_t kDefaultPort = 33224;

// Set from the signal handler, read by main(): lock-free, so safe in both.
std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void RequestStop(int /*signal*/) {
  stop_requested = true;
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: example_datagram_echo [--port N]   (UDP, default %u, 0: any free port;\n"
               "       answers \"PORT TEXT\" with TEXT to the sender's PORT; Ctrl+C stops)\n",
               kDefaultPort);
}

// Datagrams come from anyone: print them without control bytes that would
// steer the terminal.
std::string Printable(const PLAX_Bytes& data) {
  std::string text = data;
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '.';
  }
  return text;
}

// Splits "PORT TEXT" into its reply port (1-65535) and text; false when the
// datagram does not start with one.
bool SplitReplyPort(const PLAX_Bytes& data, std::uint16_t& port, PLAX_Bytes& text) {
  const std::size_t space = data.find(' ');
  if (space == 0 || space == PLAX_Bytes::npos || space > 5) return false;
  long value = 0;
  for (std::size_t i = 0; i < space; ++i) {
    if (data[i] < '0' || data[i] > '9') return false;
    value = value * 10 + (data[i] - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  text = data.substr(space + 1);
  return true;
}

// Called on the record's worker thread, once per datagram.
void EchoDatagram(PLAX_ID id, const char* sender, const PLAX_Bytes& data) {
  std::uint16_t reply_port = 0;
  PLAX_Bytes text;
  if (!SplitReplyPort(data, reply_port, text)) {
    std::printf("from %s: \"%s\" (no reply port, not answered)\n", sender, Printable(data).c_str());
    return;
  }
  std::uint32_t sent = 0;
  const PLAX_Result result = PLAX_Send(id, text, sent, sender, reply_port);
  if (result != PLAX_GURU_NO_ERROR) {
    std::printf("from %s: cannot answer to port %u: %s\n", sender, reply_port,
                PLAX_GURUText(result).c_str());
    return;
  }
  std::printf("from %s: \"%s\" answered to port %u\n", sender, Printable(text).c_str(), reply_port);
}

// Reads --port N; false on anything else.
bool ParsePort(int argc, char** argv, std::uint16_t& port) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") != 0 || i + 1 == argc) return false;
    char* end = nullptr;
    const long value = std::strtol(argv[++i], &end, 10);
    if (end == argv[i] || *end != '\0' || value < 0 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  std::uint16_t port = kDefaultPort;
  if (!ParsePort(argc, argv, port)) {
    PrintUsage(stderr);
    return 2;
  }
  // Lines are printed from the engine's thread; unbuffered output keeps each
  // one whole and visible at once.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);

  PLAX_ID id = 0;
  std::uint16_t bound_port = 0;
  const PLAX_Result result =
      PLAX_OpenDatagram(id, port, PLAX_DATAGRAM_NONE, nullptr, EchoDatagram, bound_port);
  if (result != PLAX_GURU_NO_ERROR) {
    std::fprintf(stderr, "cannot open UDP port %u: %s\n", port, PLAX_GURUText(result).c_str());
    return 1;
  }
  std::printf("echoing datagrams on port %u\n", bound_port);
  // The echo runs on the engine's thread; this one only waits for Ctrl+C.
  while (!stop_requested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  PLAX_Close(id);
  std::printf("stopped\n");
  return 0;
}
