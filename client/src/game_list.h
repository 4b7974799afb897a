// The games a LAN client found, when there are several to pick from: how the
// search's findings become the link's input, one line per game, the keys that
// pick one, and the list drawn over the top of the map. The frame loop draws
// it from the link's copy of the games; the network thread only hands them over.
#pragma once

#include <string>
#include <vector>

#include "game/lan_search.h"
#include "lan_link.h"

// One key per game, 1 to 9: games beyond these are not listed.
inline constexpr int GAME_LIST_MAX_GAMES = 9;
inline constexpr std::string_view GAME_LIST_TITLE =
    "Games on the local network (press a number to join, Escape quits):";

// What the search found, as the link takes it: one game with a free seat is
// Found, one full game OnlyFull, none NothingFound, several Several (at most
// GAME_LIST_MAX_GAMES of them).
void GameList_TakeSearch(const LanGames& found, LanLinkInput& input);

// "2  Ana's game  2/4 players  192.168.1.20", or "full" for the seats, for
// the game at `index` (0 for key 1).
std::string GameList_Line(const LanGame& game, int index);

// The index of the game whose key is down now, -1 for none. Frame thread only.
int GameList_PickedKey(std::size_t games);

// Writes the title and the lines to standard output.
void GameList_Print(const std::vector<LanGame>& games);

// Blackens the list's band, so that a list gone leaves nothing behind once
// the map is drawn again; draws the title and lines over the picture.
void GameList_Erase();
void GameList_Draw(const std::vector<LanGame>& games);
