#include "game/names.h"

#include "platform/user.h"

namespace {

bool Name_Printable(char byte) {
  return byte >= ' ' && byte <= '~';
}

}  // namespace

std::string Name_Clean(std::string_view raw, std::size_t max_chars) {
  std::string name;
  for (char byte : raw) {
    if (Name_Printable(byte)) name += byte;
  }
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  name = name.substr(first, max_chars);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

std::string PlayerName_Choose(std::string_view given) {
  std::string name = Name_Clean(given);
  if (name.empty()) name = Name_Clean(LoginName());
  return name.empty() ? "Player" : name;
}

std::string BotName(int n) {
  return "bot " + std::to_string(n);
}

std::string GameName_Choose(std::string_view given) {
  std::string name = Name_Clean(given, GAME_NAME_MAX_CHARS);
  if (!name.empty()) return name;
  const std::string login = Name_Clean(LoginName(), GAME_NAME_MAX_CHARS);
  if (!login.empty()) return Name_Clean(login + "'s game", GAME_NAME_MAX_CHARS);
  name = Name_Clean(MachineName(), GAME_NAME_MAX_CHARS);
  return name.empty() ? "LAN game" : name;
}

std::string SeatName_Unnamed(int seat) {
  return "Player " + std::to_string(seat);
}

std::string SeatNames_Shown(const SeatNames& names, int seat) {
  const std::string& name = names[static_cast<std::size_t>(seat - 1)];
  int same = 1;
  for (int lower = 1; lower < seat; ++lower) {
    if (names[static_cast<std::size_t>(lower - 1)] == name) ++same;
  }
  if (same == 1 || name.empty()) return name;
  const std::string suffix = " (" + std::to_string(same) + ")";
  return Name_Clean(name, PLAYER_NAME_MAX_CHARS - suffix.size()) + suffix;
}
