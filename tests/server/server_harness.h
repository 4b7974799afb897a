// Runs the real server binary in a temporary folder and plays against it
// with plain loopback sockets.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/options_check.h"
#include "support/programs.h"
#include "support/temp_dir.h"

#include "game/server_address.h"

inline constexpr std::uint16_t GAME_PORT = SERVER_PORT;
// Generous: the machine may be loaded and the server built with a sanitizer.
inline constexpr double WAIT_SECONDS = 10.0;

struct ServerOptions {
  bool withMap = true;
  std::string mapBytes;  // content of map/Map when withMap
  // Keys from a pseudo-terminal (on Linux standard output goes there too).
  // Unset: only where the keyboard is the one clean way to stop the server,
  // that is under Wine, where a signal kills the process outright.
  std::optional<bool> onTerminal;
  std::vector<std::string> arguments;
};

// Where a server runs, when not as the suite's other programs do.
struct ServerPlace {
  bool native = false;           // this build's own server, also in the Wine run
  std::string networkNamespace;  // a host of the test's own (support/netns.h)
};

// The server process, in a working folder of its own that goes with it.
struct ServerRun : Child {
  TempDir dir;
  bool underWine = false;
  bool lan = false;      // started with --lan: it names its game first
  std::string gameLine;  // that line, once Server_WaitListening has read it
};

// Starts the server once no other program listens on the game port.
ServerRun Server_Start(const ServerOptions& options);
ServerRun Server_StartAt(const ServerOptions& options, const ServerPlace& place);
// True once the server listens on the game port (read from /proc, so no
// connection is made), in whichever network namespace it runs; a LAN server
// has then printed its game's line too, which this reads.
bool Server_WaitListening(ServerRun& run);
// Reads the next output line; false when none comes within WAIT_SECONDS.
bool Server_NextLine(ServerRun& run, std::string& line);
// The next output lines are exactly `lines`.
::testing::AssertionResult Server_ExpectLines(ServerRun& run,
                                              std::initializer_list<std::string> lines);
// Waits for the process to end (killing it after WAIT_SECONDS); its exit
// status as Child_Wait gives it.
int Server_WaitExit(ServerRun& run);
// Writes bytes to the server's terminal (with onTerminal only).
void Server_Type(ServerRun& run, const std::string& bytes);
// Ends the server and reaps it: with Escape on its terminal under Wine, with
// SIGTERM otherwise (SIGKILL if it does not go). Returns the exit status as
// Server_WaitExit does.
int Server_Stop(ServerRun& run);

// A loopback connection to the game port; -1 when it fails.
int Player_Connect();
bool Player_Send(int fd, const std::string& bytes);
// Up to `count` bytes, fewer only if the deadline passes first.
std::string Player_Receive(int fd, std::size_t count);
// The LAN game: the next `count` bytes of PlayerMoved and PlayerLeft messages,
// Welcome, KeepAlive and PlayerNamed skipped; fewer only if the deadline passes first.
std::string LanPlayer_Receive(int fd, std::size_t count);
// True when the server closes the connection.
bool Player_SeesClose(int fd);
// True once the server has read everything this player sent, so the next send
// arrives as a chunk of its own.
bool Player_WaitDrained(int fd);
void Player_Close(int fd);
