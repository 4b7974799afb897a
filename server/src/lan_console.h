// The LAN game's console lines, printed by a thread of their own: a send
// path only queues its line, so a console read slowly, or not at all, holds
// no message back. Lines stay whole and in the order they were queued; once
// MAX_WAITING_LINES wait, further ones are dropped until the console drains.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t MAX_WAITING_LINES = 10000;

// Starts the printer; before it runs, lines are printed at once.
void LanConsole_Start();
// Queues `line` `times` times.
void LanConsole_Print(std::string_view line, int times = 1);
// A line per message sent would bury the joins and leaves the host watches
// for: "Send" is printed only once asked for (--verbose).
void LanConsole_PrintSends(bool verbose);
// Queues "Send" `times` times if asked for.
void LanConsole_Sent(int times);

// The start-up line that tells the host what to tell the others: the game's
// name, its port and every address of this machine other players can join
// at, such as: LAN game "Ana's game" on port 33222: join with --join 192.168.1.20
// (the client's option, and the play script's).
std::string LanConsole_GameLine(std::string_view game_name, std::uint16_t port);
