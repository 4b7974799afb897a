// Names from the command line or the network: whatever bytes come, what is
// kept is printable, at most 16 characters, and never empty where a name is
// needed; two players of one name are told apart within the same limit.
#include <gtest/gtest.h>

#include <string>

#include "game/names.h"

namespace {

struct NameCase {
  const char* label;
  std::string raw;
  std::string kept;  // Name_Clean's result
};

class HostileNames : public ::testing::TestWithParam<NameCase> {};

bool Printable(const std::string& name) {
  for (char byte : name) {
    if (byte < ' ' || byte > '~') return false;
  }
  return true;
}

TEST_P(HostileNames, KeepOnlyPrintableCharactersUpToTheLimit) {
  const NameCase& name = GetParam();
  EXPECT_EQ(Name_Clean(name.raw), name.kept);
  const std::string chosen = PlayerName_Choose(name.raw);
  EXPECT_FALSE(chosen.empty());
  EXPECT_LE(chosen.size(), PLAYER_NAME_MAX_CHARS);
  EXPECT_TRUE(Printable(chosen));
  if (!name.kept.empty()) {
    EXPECT_EQ(chosen, name.kept);
  }
  // The same name in every seat: each shown one still fits and reads apart.
  const SeatNames same = {chosen, chosen, chosen, chosen};
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    const std::string shown = SeatNames_Shown(same, seat);
    EXPECT_LE(shown.size(), PLAYER_NAME_MAX_CHARS) << shown;
    const std::string number = " (" + std::to_string(seat) + ")";
    EXPECT_EQ(shown.ends_with(number), seat > 1) << shown;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileNames,
    ::testing::Values(NameCase{"Empty", "", ""}, NameCase{"One", "A", "A"},
                      NameCase{"Sixteen", "Bartholomew Long", "Bartholomew Long"},
                      NameCase{"Seventeen", "Bartholomew Longs", "Bartholomew Long"},
                      NameCase{"ThreeHundred", std::string(300, 'x'), std::string(16, 'x')},
                      NameCase{"ControlBytes", std::string("\x1b[31mSam\r\n\a\0!", 13), "[31mSam!"},
                      NameCase{"BrokenUtf8", "\xc3(Z\xe9o\xff\xfe", "(Zo"},
                      NameCase{"OnlySpacesAndControls", " \t \x7f ", ""}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return info.param.label; });

}  // namespace
