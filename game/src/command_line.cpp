#include "game/command_line.h"

#include <charconv>

bool CommandLine_AsksForHelp(int argc, char** argv) {
  return argc == 2 && std::string_view(argv[1]) == "--help";
}

bool Port_Parse(std::string_view text, std::uint16_t& port) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < 1 || value > 65535) {
    return false;
  }
  port = static_cast<std::uint16_t>(value);
  return true;
}
