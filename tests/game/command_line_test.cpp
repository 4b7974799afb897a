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

// A value is the next argument even when it looks like an option; what
// follows it is read as a name again.
TEST(CommandLine, ReadsByTheTableAndRefusesWhatItHasNot) {
  Picked picked;
  ASSERT_TRUE(Parse({"program", "--text", "--flag", "--port", "80", "--flag"}, picked));
  EXPECT_EQ(picked.text, "--flag");
  EXPECT_EQ(picked.port, 80);
  EXPECT_TRUE(picked.flag);
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"program", "--other"},
                                             {"program", "--port"},
                                             {"program", "--port", "0"},
                                             {"program", "80"},
                                             {"program", "--flag=1"}}) {
    EXPECT_FALSE(Parse(bad, picked)) << ::testing::PrintToString(bad);
  }
}

}  // namespace
