// What the programs' command lines have in common: the help request and the
// TCP port, read the same way by server, client and bot.
#pragma once

#include <cstdint>
#include <string_view>

// Exit statuses for a help request and for options that cannot be used.
inline constexpr int EXIT_HELP = 0;
inline constexpr int EXIT_BAD_OPTIONS = 2;

// True when the only argument is --help.
bool CommandLine_AsksForHelp(int argc, char** argv);

// A port is the whole text a decimal number from 1 to 65535; anything else
// leaves `port` as it was and returns false.
bool Port_Parse(std::string_view text, std::uint16_t& port);
