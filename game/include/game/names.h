// The names of players and games: what a name may hold, where one comes from
// when nobody gives it, and how players of the same name are told apart.
// Every name from the command line or the network passes Name_Clean before it
// is kept, shown or printed, so none can break a screen, a console or a line.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "game/lan_messages.h"

inline constexpr std::size_t PLAYER_NAME_MAX_CHARS = 16;
inline constexpr std::size_t GAME_NAME_MAX_CHARS = 24;

// Keeps the printable characters of the plain Latin alphabet (space to '~')
// and drops every other byte: control bytes, and the bytes of any other
// script, which neither every console nor every window font would show alike.
// Spaces at either end go; the rest is cut to `max_chars`. May be empty.
std::string Name_Clean(std::string_view raw, std::size_t max_chars = PLAYER_NAME_MAX_CHARS);

// A player's name: `given` cleaned, or else the login name, or else "Player".
std::string PlayerName_Choose(std::string_view given);
// The n-th bot of a run: "bot N".
std::string BotName(int n);
// A game's name: `given` cleaned, or else "<login name>'s game", or else the
// machine's name, cut to GAME_NAME_MAX_CHARS.
std::string GameName_Choose(std::string_view given);
// What a seated player who gave no name (an older client) is called.
std::string SeatName_Unnamed(int seat);

// The names of the seats as told (empty: nobody there, or no name yet).
using SeatNames = std::array<std::string, LAN_SEATS>;
// The name to show for `seat`: its own while no lower seat has the same one,
// else cut so that " (N)", N counting the seats of that name from the lowest,
// still fits in PLAYER_NAME_MAX_CHARS: "Sam", "Sam (2)".
std::string SeatNames_Shown(const SeatNames& names, int seat);
