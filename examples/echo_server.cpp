// Echo server on the engine: every byte a client sends comes back to it.
//
// The engine reports events through plain callbacks on its own threads. A
// listening connection offers each accepted socket; the program adopts it
// with callbacks of its own, and from then on every chunk that arrives is
// sent straight back. Ctrl+C stops the server.
#include <plax/plax.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr std::uint16_t kDefaultPort = 33223;

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: example_echo_server [--port N]   (default port %u; Ctrl+C stops)\n",
               kDefaultPort);
}

// New data on an adopted connection: send it back whole. A failed send has
// already closed the connection, so there is nothing left to undo.
void EchoBack(PLAX_ID id, const PLAX_Bytes& data) {
  std::uint32_t sent = 0;
  const PLAX_Result result = PLAX_Send(id, data, sent, "", 0);
  if (result != PLAX_GURU_NO_ERROR) {
    std::printf("connection %u: %s\n", id, PLAX_GURUText(result).c_str());
  }
}

void ReportClosed(PLAX_ID id) {
  std::printf("connection %u closed\n", id);
}

// The listener offers each accepted socket; adopting it makes it a connection
// with its own worker thread and callbacks.
void AdoptClient(PLAX_ID /*server_id*/, PLAX_Socket accepted, const char* peer_address) {
  PLAX_ID id = 0;
  std::string peer;
  std::string local;
  const PLAX_Result result =
      PLAX_AdoptSocket(accepted, id, peer, ReportClosed, nullptr, EchoBack, local);
  if (result != PLAX_GURU_NO_ERROR) {
    std::printf("cannot take %s: %s\n", peer_address, PLAX_GURUText(result).c_str());
    return;
  }
  std::printf("connection %u from %s\n", id, peer_address);
}

// Reads --port N; false on anything else.
bool ParsePort(int argc, char** argv, std::uint16_t& port) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") != 0 || i + 1 == argc) return false;
    char* end = nullptr;
    const long value = std::strtol(argv[++i], &end, 10);
    if (*end != '\0' || value < 1 || value > 65535) return false;
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
  // Events are printed from engine threads; unbuffered output keeps each
  // line whole and visible at once.
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  PLAX_ID server_id = 0;
  const PLAX_Result result = PLAX_OpenServer(server_id, port, 16, AdoptClient, nullptr);
  if (result != PLAX_GURU_NO_ERROR) {
    std::fprintf(stderr, "cannot listen on port %u: %s\n", port, PLAX_GURUText(result).c_str());
    return 1;
  }
  std::printf("echoing on port %u\n", port);
  // All the work happens on engine threads; this one only waits.
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
