#include "server_harness.h"

#include "game/lan_messages.h"

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "support/loopback.h"
#include "support/ports.h"
#include "support/wait.h"

ServerRun Server_Start(const ServerOptions& options) {
  return Server_StartAt(options, {});
}

ServerRun Server_StartAt(const ServerOptions& options, const ServerPlace& place) {
  ServerRun run;
  if (options.withMap) File_Write(run.dir.File("map/Map"), options.mapBytes);
  // Under Wine the last server's socket may outlive its process for a moment.
  WaitUntil([] { return !PortListeningElsewhere(GAME_PORT); }, WAIT_SECONDS);
  ChildOptions child = GameProgram_Options();
  child.folder = run.dir.path;
  child.network_namespace = place.networkNamespace;
  const bool wine = GameProgram_UnderWine() && !place.native;
  // Wine mixes cursor sequences into output that goes to a terminal.
  const ChildInput terminal = wine ? ChildInput::Keys : ChildInput::Terminal;
  child.input = options.onTerminal.value_or(wine) ? terminal : ChildInput::DevNull;
  const std::vector<std::string> argv =
      place.native ? GameProgram_Native(SERVER_BINARY, options.arguments)
                   : GameProgram("server", SERVER_BINARY, options.arguments);
  static_cast<Child&>(run) = Child_Start(argv, child);
  run.underWine = wine;
  run.lan = std::find(options.arguments.begin(), options.arguments.end(), "--lan") !=
            options.arguments.end();
  return run;
}

bool Server_WaitListening(ServerRun& run) {
  const auto listening = [&] {
    return run.underWine ? PortListeningElsewhere(GAME_PORT) : PortListening(GAME_PORT, run.pid);
  };
  // Gone early: the caller's checks will tell why.
  if (!WaitUntil([&] { return !Child_Running(run) || listening(); }, WAIT_SECONDS) || run.reaped) {
    return false;
  }
  return !run.lan ||
         (Server_NextLine(run, run.gameLine) && run.gameLine.starts_with("LAN game \""));
}

bool Server_NextLine(ServerRun& run, std::string& line) {
  return Child_NextLine(run, line, WAIT_SECONDS);
}

::testing::AssertionResult Server_ExpectLines(ServerRun& run,
                                              std::initializer_list<std::string> lines) {
  for (const std::string& expected : lines) {
    std::string line;
    if (!Server_NextLine(run, line)) {
      return ::testing::AssertionFailure() << "no line where \"" << expected << "\" was due";
    }
    if (line != expected) {
      return ::testing::AssertionFailure()
             << "line \"" << line << "\" where \"" << expected << "\" was due";
    }
  }
  return ::testing::AssertionSuccess();
}

int Server_WaitExit(ServerRun& run) {
  return Child_Wait(run, WAIT_SECONDS);
}

void Server_Type(ServerRun& run, const std::string& bytes) {
  if (!Child_Send(run, bytes)) ADD_FAILURE() << "typing failed";
}

int Server_Stop(ServerRun& run) {
  if (run.underWine && run.pid > 0 && !run.reaped && run.input >= 0) {
    Child_Send(run, "\x1b");
    Child_Wait(run, WAIT_SECONDS);
  }
  return Child_Stop(run, WAIT_SECONDS);
}

int Player_Connect() {
  return PlainConnect(GAME_PORT);
}

bool Player_Send(int fd, const std::string& bytes) {
  return PlainSendAll(fd, bytes);
}

std::string Player_Receive(int fd, std::size_t count) {
  return PlainReceive(fd, count, WAIT_SECONDS);
}

std::string LanPlayer_Receive(int fd, std::size_t count) {
  std::string messages;
  while (messages.size() < count) {
    const std::string type = Player_Receive(fd, 1);
    if (type.empty()) break;
    const auto kind = static_cast<std::uint8_t>(type[0]);
    if (kind == MSG_KEEP_ALIVE) continue;
    if (kind == MSG_PLAYER_NAMED) {
      const std::string length = Player_Receive(fd, 2).substr(1);
      if (!length.empty()) Player_Receive(fd, static_cast<std::uint8_t>(length[0]));
      continue;
    }
    const std::size_t rest = kind == MSG_WELCOME        ? WELCOME_SIZE - 1
                             : kind == MSG_PLAYER_MOVED ? PLAYER_MOVED_SIZE - 1
                             : kind == MSG_PLAYER_LEFT  ? PLAYER_LEFT_SIZE - 1
                                                        : REFUSED_SIZE - 1;
    const std::string body = Player_Receive(fd, rest);
    if (kind != MSG_WELCOME) messages += type + body;
  }
  return messages;
}

bool Player_SeesClose(int fd) {
  pollfd ready{fd, POLLIN, 0};
  if (poll(&ready, 1, Deadline_MsLeft(Deadline_In(WAIT_SECONDS))) <= 0) return false;
  char byte = 0;
  return recv(fd, &byte, 1, 0) <= 0;
}

bool Player_WaitDrained(int fd) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
  const unsigned player_port = ntohs(local.sin_port);
  return WaitUntil(
      [&] {
        for (const TcpRow& row : TcpTable_Read()) {
          if (row.local_port == GAME_PORT && row.remote_port == player_port) {
            return row.receive_queue == 0;
          }
        }
        return false;
      },
      WAIT_SECONDS);
}

void Player_Close(int fd) {
  PlainClose(fd);
}
