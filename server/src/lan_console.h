// The LAN game's console lines, printed by a thread of their own: a send
// path only queues its line, so a console read slowly, or not at all, holds
// no message back. Lines stay whole and in the order they were queued; once
// MAX_WAITING_LINES wait, further ones are dropped until the console drains.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr std::size_t MAX_WAITING_LINES = 10000;

// Starts the printer; before it runs, lines are printed at once.
void LanConsole_Start();
// Queues `line` `times` times.
void LanConsole_Print(std::string_view line, int times = 1);
