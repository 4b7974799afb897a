#include "lan_bench.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "game/assets.h"
#include "game/lan_messages.h"
#include "game/map_file.h"
#include "game/messages.h"
#include "game/server_address.h"
#include "paths.h"
#include "relay_bench.h"
#include "support/child.h"
#include "support/loopback.h"
#include "support/netns.h"
#include "support/programs.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto STEP = std::chrono::microseconds(16667);  // 60 Hz
constexpr double START_SECONDS = 10;

double Ms(Clock::duration span) {
  return std::chrono::duration<double, std::milli>(span).count();
}

struct Server {
  TempDir dir;
  Child child;
};

void Server_Run(Server& server, const std::vector<std::string>& args, const std::string& host,
                int port) {
  File_Write(server.dir.File(Path_ToNative(MAP_PATH)),
             std::string(MAP_TILE_COUNT * MAP_RECORD_SIZE, '\0'));
  ChildOptions options;
  options.folder = server.dir.path;
  options.output = ChildOutput::DevNull;
  options.network_namespace = host;
  server.child = Child_Start(GameProgram("server", SERVER_BINARY, args), options);
  if (!WaitUntil([&] { return GameProgram_Listening(server.child, port); }, START_SECONDS)) {
    std::fprintf(stderr, "server_bench: the server does not listen on %d\n", port);
    std::exit(1);
  }
}

// A raw LAN player: says Hello, and hears with a reader of its own.
struct Player {
  int fd = -1;
  LanReader reader{};
  std::vector<LanEvent> heard{};
};

void Player_Hear(Player& player) {
  char buffer[4096];
  const ssize_t got = recv(player.fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (got > 0) {
    LanReader_Feed(player.reader, std::string_view(buffer, static_cast<std::size_t>(got)),
                   player.heard);
  }
}

// Two walkers at 60 Hz, each report's x its number: the latency of every
// relay the other hears, for `seconds`, or until `until` holds as well.
struct Walk {
  Player* walkers[2];
  std::map<std::int32_t, Clock::time_point> sentAt[2]{};
  std::int32_t next = 0;
  std::vector<double> latenciesMs{};
};

// The latency of every relay walker `i` has heard from the other.
void Walk_Heard(Walk& walk, int i);

void Walk_Send(Walk& walk, std::vector<Player*>& quiet, bool keep_alive) {
  const std::int32_t number = ++walk.next;
  for (int i = 0; i < 2; ++i) {
    walk.sentAt[i][number] = Clock::now();
    PlainSendAll(walk.walkers[i]->fd, BuildPositionReport(number, 0));
  }
  for (Player* player : quiet) {
    if (keep_alive) PlainSendAll(player->fd, BuildKeepAlive());
    Player_Hear(*player);
  }
}

// Hears the walkers until `until`, each relay as soon as it comes.
void Walk_Hear(Walk& walk, Clock::time_point until) {
  for (;;) {
    const double left = Ms(until - Clock::now());
    if (left <= 0) return;
    pollfd ready[2] = {{walk.walkers[0]->fd, POLLIN, 0}, {walk.walkers[1]->fd, POLLIN, 0}};
    if (poll(ready, 2, static_cast<int>(left) + 1) <= 0) return;
    for (int i = 0; i < 2; ++i) {
      if (ready[i].revents != 0) Walk_Heard(walk, i);
    }
  }
}

void Walk_Heard(Walk& walk, int i) {
  Player& hearer = *walk.walkers[i];
  const std::size_t before = hearer.heard.size();
  Player_Hear(hearer);
  for (std::size_t e = before; e < hearer.heard.size(); ++e) {
    const LanEvent& event = hearer.heard[e];
    if (event.kind != LanEventKind::Moved || event.seat != 2 - i) continue;
    auto& sent = walk.sentAt[1 - i];
    const auto found = sent.find(event.x);
    if (found == sent.end()) continue;
    walk.latenciesMs.push_back(Ms(Clock::now() - found->second));
    sent.erase(sent.begin(), std::next(found));
  }
}

double P99(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() * 99 / 100];
}

bool HeardLeft(const Player& player, int seat) {
  return std::any_of(player.heard.begin(), player.heard.end(), [&](const LanEvent& event) {
    return event.kind == LanEventKind::Left && event.seat == seat;
  });
}

// p99 of one turn of `seconds`; `told_ms` gets when both walkers had heard
// seat 3 leave, counted from the turn's start (negative: never).
double Walk_Turn(Walk& walk, std::vector<Player*> quiet, double seconds, double& told_ms) {
  walk.latenciesMs.clear();
  told_ms = -1;
  const Clock::time_point start = Clock::now();
  Clock::time_point next_keep_alive = start;
  while (Ms(Clock::now() - start) < seconds * 1000) {
    const bool keep_alive = Clock::now() >= next_keep_alive;
    if (keep_alive) next_keep_alive += std::chrono::milliseconds(500);
    const Clock::time_point step_end = Clock::now() + STEP;
    Walk_Send(walk, quiet, keep_alive);
    Walk_Hear(walk, step_end);
    if (told_ms < 0 && HeardLeft(*walk.walkers[0], 3) && HeardLeft(*walk.walkers[1], 3)) {
      told_ms = Ms(Clock::now() - start);
    }
  }
  return P99(walk.latenciesMs);
}

int Join(const std::string& host, const std::string& address, Player& player) {
  player.fd = NetNs_Connect(host, address, SERVER_PORT);
  if (player.fd < 0 || !PlainSendAll(player.fd, BuildHello())) {
    std::fprintf(stderr, "server_bench: a player cannot join\n");
    std::exit(1);
  }
  return player.fd;
}

// CPU seconds (schedstat) and context switches of every thread of `pid`.
void Cost(pid_t pid, double& cpu_seconds, long& wake_ups) {
  cpu_seconds = 0;
  wake_ups = 0;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    double nanoseconds = 0;
    if (std::ifstream(task.path() / "schedstat") >> nanoseconds) cpu_seconds += nanoseconds / 1e9;
    std::ifstream status(task.path() / "status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.find("ctxt_switches:") != std::string::npos) {
        wake_ups += std::atol(line.c_str() + line.find(':') + 1);
      }
    }
  }
}

// Sets the other host's end of the link down or up: no FIN, no reset.
void Link_Set(const HostPair& hosts, const char* state) {
  const std::string command = "for d in $(ip -n " + hosts.names[1] +
                              " -o link show type veth | cut -d: -f2 | cut -d@ -f1); do ip -n " +
                              hosts.names[1] + " link set dev $d " + state + "; done";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "server_bench: ip failed\n");
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

// Rounds of a turn with the third player on its link and a turn with that
// link cut, so that both meet the same machine.
void MeasureLanCut(double seconds) {
  constexpr int ROUNDS = 3;
  HostPair hosts;
  if (!hosts.ok()) {
    std::fprintf(stderr, "server_bench: no hosts of its own (%s); run as root\n",
                 hosts.failure.c_str());
    std::exit(1);
  }
  Server server;
  Server_Run(server, {"--lan"}, hosts.names[0], SERVER_PORT);
  Player walkers[2];
  for (Player& walker : walkers) Join(hosts.names[0], "127.0.0.1", walker);
  Walk walk{{&walkers[0], &walkers[1]}};
  std::vector<double> whole[2];
  std::vector<double> told;
  for (int round = 0; round < ROUNDS; ++round) {
    Player remote;
    Join(hosts.names[1], hosts.addresses[0], remote);
    double told_ms = 0;
    Walk_Turn(walk, {&remote}, 1, told_ms);  // everyone settles
    whole[0].push_back(Walk_Turn(walk, {&remote}, seconds, told_ms));
    Link_Set(hosts, "down");
    whole[1].push_back(Walk_Turn(walk, {}, std::max(seconds, 7.0), told_ms));
    told.push_back(told_ms / 1000);
    std::printf(
        "lan-cut round %d: relay p99 none cut=%.2f ms, third cut=%.2f ms; seat free and "
        "told %.2f s after the cut\n",
        round + 1, whole[0].back(), whole[1].back(), told.back());
    Link_Set(hosts, "up");
    PlainClose(remote.fd);
    for (Player& walker : walkers) walker.heard.clear();
  }
  std::printf(
      "lan-cut: 2 players at 60 Hz, a third on another host, %d rounds: median relay p99 "
      "none cut=%.2f ms, third cut silently=%.2f ms, ratio %.2f; seat free and told "
      "after %.2f s (median), %.2f s (longest)\n",
      ROUNDS, Median(whole[0]), Median(whole[1]), Median(whole[1]) / Median(whole[0]), Median(told),
      *std::max_element(told.begin(), told.end()));
  for (Player& walker : walkers) PlainClose(walker.fd);
  Child_Stop(server.child, START_SECONDS);
}

void MeasureLanIdle(double seconds) {
  Server plain;
  Server lan;
  Server_Run(plain, {}, "", SERVER_PORT);
  Server_Run(lan, {"--lan", "--port", std::to_string(FORWARDER_PORT)}, "", FORWARDER_PORT);
  std::vector<Player> plain_players(PLAYERS);
  std::vector<Player> lan_players(PLAYERS);
  for (Player& player : plain_players) player.fd = PlainConnect(SERVER_PORT);
  for (Player& player : lan_players) {
    player.fd = PlainConnect(FORWARDER_PORT);
    PlainSendAll(player.fd, BuildHello());
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
  double cpu[2][2];
  long wakes[2][2];
  Cost(plain.child.pid, cpu[0][0], wakes[0][0]);
  Cost(lan.child.pid, cpu[1][0], wakes[1][0]);
  // The LAN players do as a LAN client does: a KeepAlive a second, and read.
  for (int second = 0; second < seconds; ++second) {
    for (Player& player : lan_players) {
      PlainSendAll(player.fd, BuildKeepAlive());
      Player_Hear(player);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  Cost(plain.child.pid, cpu[0][1], wakes[0][1]);
  Cost(lan.child.pid, cpu[1][1], wakes[1][1]);
  const double plain_cpu = cpu[0][1] - cpu[0][0];
  const double lan_cpu = cpu[1][1] - cpu[1][0];
  const double plain_wakes = static_cast<double>(wakes[0][1] - wakes[0][0]) / seconds;
  const double lan_wakes = static_cast<double>(wakes[1][1] - wakes[1][0]) / seconds;
  std::printf(
      "lan-idle: 4 players still, %.0f s side by side: server %.4f %% of one core, "
      "%.1f wake-ups/s; server --lan %.4f %%, %.1f wake-ups/s; ratios CPU %.2f, "
      "wake-ups %.2f\n",
      seconds, 100 * plain_cpu / seconds, plain_wakes, 100 * lan_cpu / seconds, lan_wakes,
      lan_cpu / plain_cpu, lan_wakes / plain_wakes);
  for (Player& player : plain_players) PlainClose(player.fd);
  for (Player& player : lan_players) PlainClose(player.fd);
  Child_Stop(plain.child, START_SECONDS);
  Child_Stop(lan.child, START_SECONDS);
}
