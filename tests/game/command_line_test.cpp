#include "game/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Picked {
  bool flag = false;
  std::uint16_t port = 7;
  std::string text;
};

constexpr CommandOption<Picked> TABLE[] = {
    {"--flag", false, CommandOption_SetFlag<&Picked::flag>},
    {"--port", true, CommandOption_ReadPort<&Picked::port>},
    {"--text", true, CommandOption_ReadText<&Picked::text>},
};

bool Parse(std::vector<std::string> arguments, Picked& picked) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  return CommandLine_Parse(static_cast<int>(argv.size()), argv.data(), TABLE, picked);
}

// A value is the next argument even when it looks like an option, so the
// option after it is read as a name again.
TEST(CommandLine, ReadsFlagsAndValuesByTheTable) {
  Picked picked;
  ASSERT_TRUE(Parse({"program", "--text", "--flag", "--port", "80", "--flag"}, picked));
  EXPECT_EQ(picked.text, "--flag");
  EXPECT_EQ(picked.port, 80);
  EXPECT_TRUE(picked.flag);
}

TEST(CommandLine, RefusesUnknownNamesMissingValuesAndRefusedValues) {
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"program", "--other"},
                                             {"program", "--flag", "--port"},
                                             {"program", "--port", "0"},
                                             {"program", "80"},
                                             {"program", "--flag=1"}}) {
    Picked picked;
    EXPECT_FALSE(Parse(bad, picked)) << ::testing::PrintToString(bad);
  }
}

}  // namespace
