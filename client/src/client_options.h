// The client's command line: where the server is, and which game to play.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "game/server_address.h"

inline constexpr std::string_view CLIENT_USAGE =
    "usage: client [--host NAME] [--port N] [--lan] [--join HOST] [--name NAME]\n"
    "  --host NAME   connect to the server on NAME (a host name or dotted IPv4\n"
    "                address) instead of Localhost\n"
    "  --port N      connect to TCP port N (1-65535) instead of 33222\n"
    "  --lan         the LAN game, against a server started with --lan: shows\n"
    "                the other players; without --host, finds that server on the\n"
    "                local network first (asking on UDP port 33222, or --port's)\n"
    "  --join HOST   the same as --lan --host HOST, as the LAN server's first line\n"
    "                says\n"
    "  --name NAME   the name the other players see (LAN game; 1-16 letters,\n"
    "                digits, spaces or punctuation; default: your login name)\n";

struct ClientOptions {
  std::string host = SERVER_HOST;
  std::uint16_t port = SERVER_PORT;
  bool lan = false;
  bool hostGiven = false;  // --host: a LAN client connects there without searching
  std::string name;        // as given; PlayerName_Choose makes the one shown
};

// False for an unknown option, a missing value or a bad one (an empty host, a
// port outside 1-65535).
bool ClientOptions_Parse(int argc, char** argv, ClientOptions& options);
