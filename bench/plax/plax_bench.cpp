// Engine figures against plain blocking sockets on loopback (POSIX sockets
// or Winsock, whichever the build is for), measured in one run: 9-byte round trip, bulk transfer,
// idle cost, and 500 echoing connections. Usage: plax_bench [round_trips=20000] [bulk_megabytes=64]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_os.h"
#include "plax/plax.h"
#include "support/loopback.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMessageSize = 9;
constexpr int kManyConnections = 500;
constexpr int kIdleSeconds = 5;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Finer than the test harness's WaitUntil: the wait is part of what is timed.
template <typename Condition>
void WaitFor(Condition condition) {
  while (!condition()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

// ---- plain blocking sockets -------------------------------------------------

bool ReadExactly(int s, char* buffer, std::size_t size) {
  for (std::size_t got = 0; got < size;) {
    long n = Raw_Receive(s, buffer + got, size - got);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

std::uint16_t FreePort() {
  std::uint16_t port = 0;
  PlainClose(PlainListen(port));
  return port;
}

double PlainRoundTripMedian(int count) {
  std::uint16_t port = 0;
  int listener = PlainListen(port);
  std::thread echo([&] {
    int s = Raw_AcceptNoDelay(listener);
    char buffer[kMessageSize];
    while (ReadExactly(s, buffer, kMessageSize)) Raw_Send(s, buffer, kMessageSize);
    PlainClose(s);
  });
  int s = PlainConnect(port);
  char message[kMessageSize] = {1};
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    Clock::time_point start = Clock::now();
    Raw_Send(s, message, kMessageSize);
    ReadExactly(s, message, kMessageSize);
    times.push_back(Seconds(start, Clock::now()));
  }
  PlainClose(s);
  echo.join();
  PlainClose(listener);
  std::nth_element(times.begin(), times.begin() + count / 2, times.end());
  return times[count / 2];
}

double PlainBulkSeconds(std::size_t total) {
  std::uint16_t port = 0;
  int listener = PlainListen(port);
  std::thread sink([&] {
    int s = Raw_AcceptNoDelay(listener);
    char buffer[PLAX_RECV_BUFFER_SIZE];
    for (std::size_t got = 0; got < total;) {
      long n = Raw_Receive(s, buffer, sizeof buffer);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    PlainClose(s);
  });
  int s = PlainConnect(port);
  std::string chunk(PLAX_RECV_BUFFER_SIZE, 'b');
  Clock::time_point start = Clock::now();
  for (std::size_t sent = 0; sent < total; sent += chunk.size()) {
    for (std::size_t off = 0; off < chunk.size();) {
      long n = Raw_Send(s, chunk.data() + off, chunk.size() - off);
      if (n <= 0) break;
      off += static_cast<std::size_t>(n);
    }
  }
  sink.join();
  double took = Seconds(start, Clock::now());
  PlainClose(s);
  PlainClose(listener);
  return took;
}

// ---- through the engine -----------------------------------------------------

std::atomic<int> g_connected{0};
std::atomic<int> g_disconnected{0};
std::atomic<std::size_t> g_bytes{0};
std::atomic<int> g_echoes{0};
PLAX_ID g_ping_client = 0;
int g_round_trips_left = 0;
std::vector<double> g_round_trips;  // written by the client's worker only
std::atomic<bool> g_round_trips_done{false};
Clock::time_point g_sent_at;
std::size_t g_pending = 0;

void OnConnected(PLAX_ID) {
  ++g_connected;
}
void OnDisconnected(PLAX_ID) {
  ++g_disconnected;
}

void OnEcho(PLAX_ID id, const PLAX_Bytes& data) {
  std::uint32_t sent = 0;
  PLAX_Send(id, data, sent, "", 0);
}

void OnCount(PLAX_ID, const PLAX_Bytes& data) {
  g_bytes += data.size();
}

void OnEchoed(PLAX_ID, const PLAX_Bytes& data) {
  if (data.size() >= kMessageSize) ++g_echoes;
}

// Runs on the client's worker: each complete echo ends one round trip and
// starts the next, as a blocking client's send-then-receive loop would.
void OnPong(PLAX_ID id, const PLAX_Bytes& data) {
  g_pending += data.size();
  if (g_pending < kMessageSize) return;
  g_pending = 0;
  g_round_trips.push_back(Seconds(g_sent_at, Clock::now()));
  if (--g_round_trips_left == 0) {
    g_round_trips_done = true;
    return;
  }
  std::uint32_t sent = 0;
  g_sent_at = Clock::now();
  PLAX_Send(id, std::string(kMessageSize, '\1'), sent, "", 0);
}

PLAX_EventNewData g_server_data = OnEcho;

void OnNewConnection(PLAX_ID, PLAX_Socket accepted, const char*) {
  PLAX_ID id = 0;
  std::string peer;
  std::string local;
  PLAX_AdoptSocket(accepted, id, peer, OnDisconnected, OnConnected, g_server_data, local);
}

PLAX_ID OpenServer(std::uint16_t& port) {
  port = FreePort();
  PLAX_ID id = 0;
  if (PLAX_OpenServer(id, port, 4096, OnNewConnection, nullptr) != PLAX_GURU_NO_ERROR) {
    std::fprintf(stderr, "cannot open the server on port %u\n", port);
    std::exit(1);
  }
  return id;
}

PLAX_ID OpenClient(std::uint16_t port, PLAX_EventNewData on_data) {
  PLAX_ID id = 0;
  PLAX_Result result =
      PLAX_OpenClient(id, "127.0.0.1", port, OnDisconnected, OnConnected, on_data, 10);
  if (result != PLAX_GURU_NO_ERROR) {
    std::fprintf(stderr, "open client: %s\n", PLAX_GURUText(result).c_str());
    std::exit(1);
  }
  return id;
}

void CloseAndWait(const std::vector<PLAX_ID>& ids, int expected_disconnects) {
  for (PLAX_ID id : ids) PLAX_Close(id);
  WaitFor([&] { return g_disconnected >= expected_disconnects; });
}

double EngineRoundTripMedian(int count) {
  g_connected = g_disconnected = 0;
  g_server_data = OnEcho;
  std::uint16_t port = 0;
  PLAX_ID server = OpenServer(port);
  g_ping_client = OpenClient(port, OnPong);
  WaitFor([] { return g_connected == 2; });
  g_round_trips.clear();
  g_round_trips.reserve(count);
  g_round_trips_left = count;
  g_round_trips_done = false;
  g_pending = 0;
  std::uint32_t sent = 0;
  g_sent_at = Clock::now();
  PLAX_Send(g_ping_client, std::string(kMessageSize, '\1'), sent, "", 0);
  WaitFor([] { return g_disconnected > 0 || g_round_trips_done; });
  CloseAndWait({g_ping_client, server}, 2);
  std::vector<double> times = g_round_trips;
  std::nth_element(times.begin(), times.begin() + count / 2, times.end());
  return times[count / 2];
}

double EngineBulkSeconds(std::size_t total) {
  g_connected = g_disconnected = 0;
  g_bytes = 0;
  g_server_data = OnCount;
  std::uint16_t port = 0;
  PLAX_ID server = OpenServer(port);
  PLAX_ID client = OpenClient(port, nullptr);
  WaitFor([] { return g_connected == 2; });
  std::string chunk(PLAX_RECV_BUFFER_SIZE, 'b');
  Clock::time_point start = Clock::now();
  for (std::size_t sent_total = 0; sent_total < total; sent_total += chunk.size()) {
    std::uint32_t sent = 0;
    PLAX_Send(client, chunk, sent, "", 0);
  }
  WaitFor([&] { return g_bytes >= total; });
  double took = Seconds(start, Clock::now());
  CloseAndWait({client, server}, 2);
  return took;
}

void MeasureIdle() {
  g_connected = g_disconnected = 0;
  g_server_data = OnEcho;
  std::uint16_t port = 0;
  PLAX_ID server = OpenServer(port);
  std::vector<PLAX_ID> clients{OpenClient(port, nullptr), OpenClient(port, nullptr)};
  WaitFor([] { return g_connected == 4; });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  long switches = Process_VoluntarySwitches();
  double cpu = Process_CpuSeconds();
  Clock::time_point start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
  double wall = Seconds(start, Clock::now());
  std::printf("idle (1 listener + 4 connections): %.4f %% of one core",
              100.0 * (Process_CpuSeconds() - cpu) / wall);
  // The main thread's own sleep counts one switch.
  if (switches >= 0) {
    std::printf(", %.1f wake-ups/s", (Process_VoluntarySwitches() - switches - 1) / wall);
  }
  std::printf("\n");
  clients.push_back(server);
  CloseAndWait(clients, 4);
}

void MeasureMany() {
  Process_RaiseDescriptorLimit();
  g_connected = g_disconnected = 0;
  g_echoes = 0;
  g_server_data = OnEcho;
  long rss_before = Process_ResidentKilobytes();
  std::uint16_t port = 0;
  PLAX_ID server = OpenServer(port);
  Clock::time_point start = Clock::now();
  std::vector<PLAX_ID> clients;
  for (int i = 0; i < kManyConnections; ++i) clients.push_back(OpenClient(port, OnEchoed));
  WaitFor([] { return g_connected == 2 * kManyConnections; });
  double opened = Seconds(start, Clock::now());
  start = Clock::now();
  int failures = 0;
  for (PLAX_ID id : clients) {
    std::uint32_t sent = 0;
    failures += PLAX_Send(id, std::string(kMessageSize, '\1'), sent, "", 0) != PLAX_GURU_NO_ERROR;
  }
  WaitFor([] { return g_echoes == kManyConnections; });
  double echoed = Seconds(start, Clock::now());
  long rss = Process_ResidentKilobytes();
  start = Clock::now();
  CloseAndWait(clients, 2 * kManyConnections);
  double closed = Seconds(start, Clock::now());
  PLAX_Close(server);
  std::printf(
      "%d connections: open %.3f s, one echo each %.3f s, close %.3f s, %d failures, "
      "RSS %ld kB (%ld kB before)\n",
      kManyConnections, opened, echoed, closed, failures, rss, rss_before);
}

}  // namespace

// Plain and engine runs alternate, and each figure is the best of
// kRepetitions, so that a burst of load from other processes on the machine
// does not decide the ratio.
constexpr int kRepetitions = 5;

constexpr const char* kUsage =
    "usage: plax_bench [round_trips=20000] [bulk_megabytes=64]\n"
    "Engine figures against plain blocking sockets on loopback; needs no server.\n";

namespace {

// A whole number from 1 to `most`, or 0 when the text is not one.
int CountArgument(const char* text, long most) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= 1 && value <= most ? static_cast<int>(value) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const int round_trips = argc > 1 ? CountArgument(argv[1], 10000000) : 20000;
  const int megabytes = argc > 2 ? CountArgument(argv[2], 4096) : 64;
  if (argc > 3 || round_trips == 0 || megabytes == 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::size_t bulk = static_cast<std::size_t>(megabytes) << 20;
  double plain_rt = 1e9, engine_rt = 1e9, plain_bulk = 1e9, engine_bulk = 1e9;
  for (int i = 0; i < kRepetitions; ++i) {
    plain_rt = std::min(plain_rt, PlainRoundTripMedian(round_trips));
    engine_rt = std::min(engine_rt, EngineRoundTripMedian(round_trips));
    plain_bulk = std::min(plain_bulk, PlainBulkSeconds(bulk));
    engine_bulk = std::min(engine_bulk, EngineBulkSeconds(bulk));
  }
  std::printf(
      "round trip, 9 bytes, median of %d (best of %d runs): plain %.1f us, engine %.1f us "
      "(%.2fx)\n",
      round_trips, kRepetitions, plain_rt * 1e6, engine_rt * 1e6, engine_rt / plain_rt);
  double mb = static_cast<double>(bulk) / (1 << 20);
  std::printf(
      "bulk, %.0f MB in %zu-byte sends (best of %d runs): plain %.0f MB/s, engine %.0f "
      "MB/s (%.2fx)\n",
      mb, PLAX_RECV_BUFFER_SIZE, kRepetitions, mb / plain_bulk, mb / engine_bulk,
      plain_bulk / engine_bulk);
  MeasureIdle();
  MeasureMany();
  return 0;
}
