#include "support/options_check.h"

#include <gtest/gtest.h>

#include "support/programs.h"

void ExpectOptionsChecked(const std::string& name, const std::string& binary,
                          const std::vector<std::vector<std::string>>& bad) {
  for (const std::vector<std::string>& arguments : bad) {
    const ProgramResult run = GameProgram_Run(name, binary, arguments);
    EXPECT_EQ(run.exit_code, 2) << ::testing::PrintToString(arguments);
    EXPECT_EQ(run.output, "");  // the usage goes to standard error
  }
  const ProgramResult help = GameProgram_Run(name, binary, {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.output.rfind("usage: " + name, 0), 0u);
}
