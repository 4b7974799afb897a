// What the programs' command lines have in common: the help request, the TCP
// port, and the reading of options from a table, the same in server, client
// and bot.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

// Exit statuses for a help request and for options that cannot be used.
inline constexpr int EXIT_HELP = 0;
inline constexpr int EXIT_BAD_OPTIONS = 2;

// True when the only argument is --help.
bool CommandLine_AsksForHelp(int argc, char** argv);

// A port is the whole text a decimal number from 1 to 65535; anything else
// leaves `port` as it was and returns false.
bool Port_Parse(std::string_view text, std::uint16_t& port);

// One option a program takes: its name, whether the next argument is its
// value, and how that value (empty for an option without one) goes into the
// program's options; `read` returns false for a value it cannot use.
template <typename Options>
struct CommandOption {
  std::string_view name;
  bool takesValue = false;
  bool (*read)(std::string_view value, Options& options) = nullptr;
};

// Readers for the usual kinds of option, named by the field they fill:
// {"--lan", false, CommandOption_SetFlag<&ClientOptions::lan>}.
template <auto FLAG, typename Options>
bool CommandOption_SetFlag(std::string_view, Options& options) {
  options.*FLAG = true;
  return true;
}
template <auto PORT, typename Options>
bool CommandOption_ReadPort(std::string_view value, Options& options) {
  return Port_Parse(value, options.*PORT);
}
template <auto TEXT, typename Options>
bool CommandOption_ReadText(std::string_view value, Options& options) {
  options.*TEXT = value;
  return true;
}
// `READ`, but an empty value is refused first: a host or a file name.
template <auto READ, typename Options>
bool CommandOption_NotEmpty(std::string_view value, Options& options) {
  return !value.empty() && READ(value, options);
}

// Reads argv[1..] by `table` into `options`. An option's value is the next
// argument whatever it looks like. False for a name not in the table, a
// missing value or one its option refuses; `options` may then be half read.
template <typename Options>
bool CommandLine_Parse(int argc, char** argv,
                       std::type_identity_t<std::span<const CommandOption<Options>>> table,
                       Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    const CommandOption<Options>* option = nullptr;
    for (const CommandOption<Options>& candidate : table) {
      if (candidate.name == name) option = &candidate;
    }
    if (option == nullptr) return false;
    std::string_view value;
    if (option->takesValue) {
      if (i + 1 >= argc) return false;
      value = argv[++i];
    }
    if (!option->read(value, options)) return false;
  }
  return true;
}
