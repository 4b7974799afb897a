// Opens a listening record on the given port, connects to it twice with plain
// sockets and adopts both connections, then ends with them still open: the
// caller checks that the engine's clean-up reported them at exit. Of the
// opening operations only PLAX_OpenServer is called, so this also shows that
// the engine's start-up and clean-up are linked in through it.
// Usage: plax_exit_helper PORT return|exit
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "plax/plax.h"
#include "support/loopback.h"

namespace {

constexpr int kReturnCode = 3;
constexpr int kExitCode = 4;
constexpr int kConnections = 2;

std::atomic<int> g_connected{0};

void OnDisconnected(PLAX_ID id) {
  std::printf("disconnected %u\n", id);
  std::fflush(stdout);
}

void OnConnected(PLAX_ID) {
  ++g_connected;
}

void OnNewConnection(PLAX_ID, PLAX_Socket accepted, const char*) {
  PLAX_ID id = 0;
  std::string peer;
  std::string local;
  PLAX_AdoptSocket(accepted, id, peer, OnDisconnected, OnConnected, nullptr, local);
}

bool WaitForConnections() {
  for (int i = 0; i < 5000 && g_connected < kConnections; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return g_connected == kConnections;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: plax_exit_helper PORT return|exit\n");
    return 2;
  }
  auto port = static_cast<std::uint16_t>(std::atoi(argv[1]));
  PLAX_ID server = 0;
  PLAX_Result result = PLAX_OpenServer(server, port, 4, OnNewConnection, nullptr);
  if (result != PLAX_GURU_NO_ERROR) {
    std::printf("server: %s\n", PLAX_GURUText(result).c_str());
    return 1;
  }
  for (int i = 0; i < kConnections; ++i) {
    if (PlainConnect(port) < 0) return 1;
  }
  if (!WaitForConnections()) return 1;
  std::printf("open\n");
  std::fflush(stdout);
  if (std::strcmp(argv[2], "exit") == 0) std::exit(kExitCode);
  return kReturnCode;
}
