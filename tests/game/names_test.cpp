// Names from the command line or the network: whatever bytes come, what is
// kept is printable, at most 16 characters, and never empty where a name is
// needed; two players of one name are told apart within the same limit.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "game/names.h"

namespace {

// A name as given, and what is kept of it.
class HostileNames : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(HostileNames, KeepOnlyPrintableCharactersUpToTheLimit) {
  const auto& [raw, kept] = GetParam();
  EXPECT_EQ(Name_Clean(raw), kept);
  // Nothing kept: the default, itself clean.
  const std::string chosen = PlayerName_Choose(raw);
  EXPECT_FALSE(chosen.empty());
  EXPECT_EQ(chosen, kept.empty() ? Name_Clean(chosen) : kept);
  // The same name in every seat: each shown one still fits and reads apart.
  const SeatNames same = {chosen, chosen, chosen, chosen};
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    const std::string shown = SeatNames_Shown(same, seat);
    EXPECT_LE(shown.size(), PLAYER_NAME_MAX_CHARS) << shown;
    EXPECT_EQ(shown.ends_with(" (" + std::to_string(seat) + ")"), seat > 1) << shown;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileNames,
    ::testing::Values(std::pair<std::string, std::string>{"", ""}, std::pair{"A", "A"},
                      std::pair{"Bartholomew Long", "Bartholomew Long"},
                      std::pair{"Bartholomew Longs", "Bartholomew Long"},
                      std::pair{std::string(300, 'x'), std::string(16, 'x')},
                      std::pair{std::string("\x1b[31mSam\r\n\a\0!", 13), std::string("[31mSam!")},
                      std::pair{"\xc3(Z\xe9o\xff\xfe", "(Zo"}, std::pair{" \t \x7f ", ""}));

}  // namespace
