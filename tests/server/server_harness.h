// Runs the real server binary in a temporary folder and plays against it
// with plain loopback sockets.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/server_address.h"

inline constexpr std::uint16_t GAME_PORT = SERVER_PORT;
// Generous: the machine may be loaded and the server built with a sanitizer.
inline constexpr double WAIT_SECONDS = 10.0;

struct ServerOptions {
  bool withMap = true;
  std::string mapBytes;     // content of map/Map when withMap
  bool onTerminal = false;  // standard input and output on a pseudo-terminal
};

struct ServerRun {
  pid_t pid = -1;
  int output = -1;  // read end of the output pipe, or the terminal's master side
  bool reaped = false;
  int status = 0;      // wait status once reaped
  std::string dir;     // the working directory, removed by Server_Stop
  std::string unread;  // output read but not yet a whole line
};

ServerRun Server_Start(const ServerOptions& options);
// True once something listens on the game port (read from /proc, so no
// connection is made).
bool Server_WaitListening(ServerRun& run);
// Reads the next output line; false when none comes within WAIT_SECONDS.
bool Server_NextLine(ServerRun& run, std::string& line);
// The next output lines are exactly `lines`.
::testing::AssertionResult Server_ExpectLines(ServerRun& run,
                                              std::initializer_list<std::string> lines);
// Waits for the process to end; its exit status (0-255), or -1 on time-out or
// when it did not exit normally.
int Server_WaitExit(ServerRun& run);
// Writes bytes to the server's terminal (onTerminal only).
void Server_Type(ServerRun& run, const std::string& bytes);
// Ends the server with SIGTERM (SIGKILL if it does not go), reaps it and
// removes its folder. Returns the exit status as Server_WaitExit does.
int Server_Stop(ServerRun& run);

// A loopback connection to the game port; -1 when it fails.
int Player_Connect();
bool Player_Send(int fd, const std::string& bytes);
// Up to `count` bytes, fewer only if the deadline passes first.
std::string Player_Receive(int fd, std::size_t count);
// True when the server closes the connection.
bool Player_SeesClose(int fd);
// True once the server has read everything this player sent, so the next send
// arrives as a chunk of its own.
bool Player_WaitDrained(int fd);
void Player_Close(int fd);

// Runs a program to its end with standard input from /dev/null; its exit
// status (-1 when it did not exit normally) and its standard output.
struct ProgramResult {
  int status = -1;
  std::string output;
};
ProgramResult Program_Run(const std::vector<std::string>& args);
// Starts a program with standard input from /dev/null and standard output on
// the pipe whose read end lands in `output`.
pid_t Program_Start(const std::vector<std::string>& args, int& output);
// Reads the rest of its output, reaps it and gives its exit status.
ProgramResult Program_Finish(pid_t pid, int output);
