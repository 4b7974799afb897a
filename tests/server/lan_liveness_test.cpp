// The LAN server on real networks: a player whose link is cut silently, or
// who stops reading, holds nobody back and loses its seat within seconds;
// a full game and another version say why; idle connections give seats up;
// the start needs both ports, and a clean exit prints no error.
#include <poll.h>
#include <sys/socket.h>
#include <cerrno>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "game/lan_messages.h"
#include "game/messages.h"
#include "server_harness.h"
#include "support/loopback.h"
#include "support/netns.h"
#include "support/wait.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto STEP = std::chrono::milliseconds(16);  // 60 Hz
constexpr auto KEEP_ALIVE_EVERY = std::chrono::milliseconds(500);

// A raw player that said Hello: what it hears, and the longest wait between
// two moves of a walking player it watches.
struct Seat {
  int fd = -1;
  bool walks = false;
  bool reads = true;
  LanReader reader{};
  std::vector<LanEvent> heard{};
  int watched = 0;  // a walker's seat whose moves must keep coming
  Clock::time_point lastWatched{};
  double longestGapMs = 0;
  std::int32_t x = 0;
};

double MsSince(Clock::time_point then) {
  return std::chrono::duration<double, std::milli>(Clock::now() - then).count();
}

// A 60 Hz step for every seat: walkers report, everyone sends KeepAlive now
// and then, readers take what came.
struct Room {
  std::vector<Seat*> seats;
  Clock::time_point lastKeepAlive = Clock::now();

  void Step() {
    const bool keep_alive = Clock::now() - lastKeepAlive >= KEEP_ALIVE_EVERY;
    if (keep_alive) lastKeepAlive = Clock::now();
    for (Seat* seat : seats) {
      if (seat->walks) Player_Send(seat->fd, BuildPositionReport(++seat->x, seat->fd));
      if (keep_alive) Player_Send(seat->fd, BuildKeepAlive());
      if (seat->reads) Take(*seat);
    }
    std::this_thread::sleep_for(STEP);
  }

  static void Take(Seat& seat) {
    char buffer[4096];
    const ssize_t got = recv(seat.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got <= 0) return;
    const std::size_t before = seat.heard.size();
    LanReader_Feed(seat.reader, std::string_view(buffer, static_cast<std::size_t>(got)),
                   seat.heard);
    for (std::size_t i = before; i < seat.heard.size(); ++i) {
      const LanEvent& event = seat.heard[i];
      if (event.kind != LanEventKind::Moved || event.seat != seat.watched) continue;
      if (seat.lastWatched != Clock::time_point{}) {
        seat.longestGapMs = std::max(seat.longestGapMs, MsSince(seat.lastWatched));
      }
      seat.lastWatched = Clock::now();
    }
  }

  // Steps until `done`, at most `seconds`; false if it never was.
  bool StepUntil(const std::function<bool()>& done, double seconds) {
    const Clock::time_point start = Clock::now();
    while (MsSince(start) < seconds * 1000) {
      Step();
      if (done()) return true;
    }
    return false;
  }
};

// The last thing `seat` heard about `about`: a move, a departure, or nothing.
const LanEvent* LastAbout(const Seat& seat, int about) {
  for (auto it = seat.heard.rbegin(); it != seat.heard.rend(); ++it) {
    if ((it->kind == LanEventKind::Moved || it->kind == LanEventKind::Left) && it->seat == about) {
      return &*it;
    }
  }
  return nullptr;
}

bool HeardLeft(const Seat& seat, int about) {
  const LanEvent* last = LastAbout(seat, about);
  return last != nullptr && last->kind == LanEventKind::Left;
}

// True once the server has ended the connection, whatever came before.
bool SeesEnd(int fd) {
  return WaitUntil([fd] {
    char buffer[256];
    const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN);
  });
}

// The next message a fresh connection gets: its Welcome's seat, or minus the
// Refused reason; 0 when nothing whole came.
int FirstWord(int fd) {
  const std::string type = Player_Receive(fd, 1);
  if (type.empty()) return 0;
  if (type[0] == static_cast<char>(MSG_REFUSED)) return -Player_Receive(fd, 1)[0];
  const std::string rest = Player_Receive(fd, WELCOME_SIZE - 1);
  return type[0] == static_cast<char>(MSG_WELCOME) && rest.size() == 2 ? rest[0] : 0;
}

// Joins through `connect` as soon as a seat is free, trying every step;
// says Hello and, if `report`, reports `spot` at once.
struct Joiner {
  std::function<int()> connect;
  Seat seat{};
  int number = 0;
  int steps = 0;

  // Every sixth step: a tenth of a second.
  bool TryOnce(bool report, std::int32_t spot) {
    if (seat.fd >= 0) return true;
    if (steps++ % 6 != 0) return false;
    const int fd = connect();
    if (fd < 0) return false;
    number = FirstWord(fd);
    if (number <= 0) {
      Player_Close(fd);
      return false;
    }
    seat.fd = fd;
    Player_Send(fd, BuildHello() + (report ? BuildPositionReport(spot, spot) : ""));
    return true;
  }
};

void ExpectSnapshotOf(const Seat& newcomer, std::initializer_list<int> seats) {
  std::vector<int> told;
  for (const LanEvent& event : newcomer.heard) {
    if (event.kind == LanEventKind::Moved &&
        std::find(told.begin(), told.end(), event.seat) == told.end())
      told.push_back(event.seat);
  }
  std::sort(told.begin(), told.end());
  EXPECT_EQ(told, std::vector<int>(seats));
}

void CutLink(const std::string& host) {
  const std::string command = "for d in $(ip -n " + host +
                              " -o link show type veth | cut -d: -f2 | cut -d@ -f1); do ip -n " +
                              host + " link set dev $d down; done";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

// Two walk on the server's host while a player on the other host is cut off
// and, later, a player stops reading: the walkers never wait more than
// 100 ms for each other, both ghosts lose their seats, the others are told,
// and newcomers take the seats and see only who is really there.
TEST(LanLiveness, GhostsLoseTheirSeatsAndNobodyWaitsForThem) {
  HostPair hosts;
  ASSERT_TRUE(hosts.ok()) << hosts.failure;
  const std::string& server_host = hosts.names[0];
  ServerRun server =
      Server_StartAt({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {"--lan"}},
                     {.native = false, .networkNamespace = server_host});
  ASSERT_TRUE(Server_WaitListening(server));
  auto local = [&] { return NetNs_Connect(server_host, "127.0.0.1", GAME_PORT); };
  auto join = [&](Seat& seat, const std::function<int()>& connect, int expected) {
    seat.fd = connect();
    ASSERT_EQ(FirstWord(seat.fd), expected);
    ASSERT_TRUE(Player_Send(seat.fd, BuildHello()));
  };
  Seat walker1{.walks = true, .watched = 2};
  Seat walker2{.walks = true, .watched = 1};
  Seat remote;
  Seat fourth;
  ASSERT_NO_FATAL_FAILURE(join(walker1, local, 1));
  ASSERT_NO_FATAL_FAILURE(join(walker2, local, 2));
  ASSERT_NO_FATAL_FAILURE(join(
      remote, [&] { return NetNs_Connect(hosts.names[1], hosts.addresses[0], GAME_PORT); }, 3));
  ASSERT_TRUE(Player_Send(remote.fd, BuildPositionReport(77, 77)));
  ASSERT_NO_FATAL_FAILURE(join(fourth, local, 4));
  Room room{{&walker1, &walker2, &remote, &fourth}};
  ASSERT_TRUE(room.StepUntil([&] { return LastAbout(walker1, 3) != nullptr; }, WAIT_SECONDS));

  ASSERT_NO_FATAL_FAILURE(CutLink(hosts.names[1]));
  room.seats = {&walker1, &walker2, &fourth};
  const Clock::time_point cut = Clock::now();
  Joiner third{local};
  double told_ms = 0;
  ASSERT_TRUE(room.StepUntil(
      [&] {
        if (told_ms == 0 && HeardLeft(walker1, 3) && HeardLeft(walker2, 3) && HeardLeft(fourth, 3))
          told_ms = MsSince(cut);
        return third.TryOnce(false, 0) && told_ms > 0;
      },
      WAIT_SECONDS));
  EXPECT_LE(told_ms, 6000);
  EXPECT_EQ(third.number, 3);

  // The fourth goes; a player that never reads comes in its place.
  room.seats = {&walker1, &walker2, &third.seat};
  Player_Close(fourth.fd);
  ASSERT_TRUE(room.StepUntil([&] { return HeardLeft(walker1, 4); }, WAIT_SECONDS));
  Seat deaf{.reads = false};
  ASSERT_NO_FATAL_FAILURE(join(
      deaf,
      [&] {
        const int fd = local();
        PlainSetReceiveBuffer(fd, 1024);
        return fd;
      },
      4));
  room.seats.push_back(&deaf);
  Joiner last{local, {.watched = 1}};
  const Clock::time_point deaf_since = Clock::now();
  ASSERT_TRUE(room.StepUntil([&] { return last.TryOnce(true, 9); }, 2 * WAIT_SECONDS));
  EXPECT_LE(MsSince(deaf_since), 10000);
  EXPECT_EQ(last.number, 4);
  room.seats.push_back(&last.seat);
  // Told of the deaf player's departure before the newcomer's move, never after.
  ASSERT_TRUE(room.StepUntil(
      [&] {
        const LanEvent* seen = LastAbout(walker1, 4);
        return seen != nullptr && seen->kind == LanEventKind::Moved && seen->x == 9 &&
               LastAbout(walker2, 4) != nullptr && LastAbout(walker2, 4)->x == 9;
      },
      WAIT_SECONDS));
  room.StepUntil([] { return false; }, 0.5);
  EXPECT_TRUE(LastAbout(walker1, 4)->kind == LanEventKind::Moved);
  // Seat 3's new player never reported: the newcomer hears of no one there.
  ExpectSnapshotOf(last.seat, {1, 2});
  EXPECT_LE(walker1.longestGapMs, 100);
  EXPECT_LE(walker2.longestGapMs, 100);
  for (Seat* seat : room.seats) Player_Close(seat->fd);
  Player_Close(remote.fd);
  EXPECT_EQ(Server_Stop(server), 0);
}

// A fifth is told the game is full and a Hello of another version is turned
// away, each with "[New connection]" as the only line of its own; four
// connections that never played give their seats up after five seconds.
TEST(LanLiveness, FullAndWrongGamesAreToldAndIdleSeatsAreGivenUp) {
  ServerRun server = Server_Start(
      {.withMap = true, .mapBytes = "", .onTerminal = std::nullopt, .arguments = {"--lan"}});
  ASSERT_TRUE(Server_WaitListening(server));
  std::vector<int> idle;
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    idle.push_back(Player_Connect());
    EXPECT_EQ(FirstWord(idle.back()), seat);
    ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]"}));
    if (seat > 2) {
      ASSERT_TRUE(Player_Send(idle.back(), "\x01"));
    }
  }
  const Clock::time_point full = Clock::now();
  const int fifth = Player_Connect();
  EXPECT_EQ(FirstWord(fifth), -REFUSED_FULL);
  EXPECT_TRUE(SeesEnd(fifth));
  Player_Close(fifth);
  ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]"}));

  // Once they have held their seats five seconds, the longest silent goes first.
  int newcomer = -1;
  ASSERT_TRUE(WaitUntil(
      [&] {
        newcomer = Player_Connect();
        if (FirstWord(newcomer) > 0) return true;
        Player_Close(newcomer);
        return false;
      },
      WAIT_SECONDS));
  EXPECT_GE(MsSince(full), 4000);
  EXPECT_TRUE(SeesEnd(idle[0]));
  ASSERT_TRUE(Player_Send(newcomer, BuildHello(9)));
  EXPECT_EQ(Player_Receive(newcomer, REFUSED_SIZE), BuildRefused(REFUSED_VERSION));
  EXPECT_TRUE(SeesEnd(newcomer));
  Player_Close(newcomer);
  for (int fd : idle) Player_Close(fd);
  EXPECT_EQ(Server_Stop(server), 0);
  EXPECT_EQ(Child_Output(server).find("[FEHLER]"), std::string::npos) << Child_Output(server);
}

// With the discovery port taken nobody gets in; with players seated, a
// clean exit prints no error line.
TEST(LanLiveness, TheStartNeedsBothPortsAndACleanExitIsQuiet) {
  std::uint16_t port = GAME_PORT;
  const int holder = PlainOpenDatagram(port);
  ASSERT_GE(holder, 0);
  ServerRun failed =
      Server_Start({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {"--lan"}});
  EXPECT_TRUE(Server_ExpectLines(failed, {"[FEHLER] Can't bind port on socket"}));
  EXPECT_LT(Player_Connect(), 0);
  EXPECT_EQ(Server_WaitExit(failed), 255);
  PlainClose(holder);

  ServerRun server = Server_Start(
      {.withMap = true, .mapBytes = "", .onTerminal = std::nullopt, .arguments = {"--lan"}});
  ASSERT_TRUE(Server_WaitListening(server));
  std::vector<int> players;
  for (int seat = 1; seat <= 3; ++seat) {
    players.push_back(Player_Connect());
    ASSERT_TRUE(Player_Send(players.back(), BuildHello() + BuildPositionReport(seat, seat)));
  }
  ASSERT_EQ(LanPlayer_Receive(players[0], 2 * PLAYER_MOVED_SIZE).size(), 2 * PLAYER_MOVED_SIZE);
  EXPECT_EQ(Server_Stop(server), 0);
  EXPECT_EQ(Child_Output(server).find("[FEHLER]"), std::string::npos) << Child_Output(server);
  for (int fd : players) Player_Close(fd);
}

}  // namespace
