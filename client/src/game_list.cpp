#include "game_list.h"

#include <algorithm>

#include "game/tiles.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "platform/screen.h"

namespace {

constexpr int LIST_MARGIN = 6;
constexpr std::string_view UNNAMED_GAME = "(no name)";

std::string GameList_Seats(const LanGame& game) {
  if (!LanGame_HasFreeSeat(game)) return "full";
  return std::to_string(game.seatsTaken) + "/" + std::to_string(game.seatsInAll) + " players";
}

}  // namespace

void GameList_TakeSearch(const LanGames& found, LanLinkInput& input) {
  const std::vector<LanGame>& games = found.games;
  if (games.size() > 1) {
    input.search = LanSearchResult::Several;
    const std::size_t shown = std::min<std::size_t>(games.size(), GAME_LIST_MAX_GAMES);
    input.games.assign(games.begin(), games.begin() + static_cast<std::ptrdiff_t>(shown));
    return;
  }
  if (games.empty()) {
    input.search = LanSearchResult::NothingFound;
    return;
  }
  input.search = LanGame_HasFreeSeat(games[0]) ? LanSearchResult::Found : LanSearchResult::OnlyFull;
  input.foundHost = games[0].host;
  input.foundPort = games[0].port;
  input.foundSeats = games[0].seatsInAll;
}

std::string GameList_Line(const LanGame& game, int index) {
  const std::string name = game.name.empty() ? std::string(UNNAMED_GAME) : game.name;
  return std::to_string(index + 1) + "  " + name + "  " + GameList_Seats(game) + "  " + game.host;
}

int GameList_PickedKey(std::size_t games) {
  // Digits 1 to 9 follow one another from SC_1.
  const int keys = static_cast<int>(std::min<std::size_t>(games, GAME_LIST_MAX_GAMES));
  for (int index = 0; index < keys; ++index) {
    if (IsKeyDown(SC_1 + index)) return index;
  }
  return -1;
}

void GameList_Print(const std::vector<LanGame>& games) {
  Console_WriteLine(GAME_LIST_TITLE);
  for (std::size_t i = 0; i < games.size(); ++i) {
    Console_WriteLine(GameList_Line(games[i], static_cast<int>(i)));
  }
}

void GameList_Erase() {
  const int bottom = LIST_MARGIN + (GAME_LIST_MAX_GAMES + 1) * TextLineHeight() - 1;
  DrawFilledBox(0, 0, SCREEN_WIDTH - 1, bottom + LIST_MARGIN, 0);
}

void GameList_Draw(const std::vector<LanGame>& games) {
  const int height = TextLineHeight();
  DrawTextAt(LIST_MARGIN, LIST_MARGIN, GAME_LIST_TITLE);
  for (std::size_t i = 0; i < games.size(); ++i) {
    const int top = LIST_MARGIN + static_cast<int>(i + 1) * height;
    DrawTextAt(LIST_MARGIN, top, GameList_Line(games[i], static_cast<int>(i)));
  }
}
