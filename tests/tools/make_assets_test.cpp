// make_assets as a user runs it: help and bad arguments write nothing, and a
// real run writes the shipped assets into the folder it was given and nowhere else.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The names in `folder`, sorted; with `deep`, of everything below it too.
std::vector<std::string> Entries(const std::string& folder, bool deep) {
  std::vector<std::string> names;
  auto add = [&](const fs::directory_entry& entry) {
    names.push_back(fs::relative(entry.path(), folder).generic_string());
  };
  if (deep)
    std::for_each(fs::recursive_directory_iterator(folder), {}, add);
  else
    std::for_each(fs::directory_iterator(folder), {}, add);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(MakeAssets, HelpAndBadArgumentsWriteNothing) {
  TempDir dir;
  ChildOptions in_dir;
  in_dir.folder = dir.path;
  const ProgramResult help = RunProgram(MAKE_ASSETS_BINARY, {"--help"}, 20.0, in_dir);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.output.rfind("usage: make_assets", 0), 0u);
  const std::vector<std::vector<std::string>> bad = {{"--force"}, {}, {""}, {"a", "b"}};
  for (const std::vector<std::string>& arguments : bad) {
    const ProgramResult run = RunProgram(MAKE_ASSETS_BINARY, arguments, 20.0, in_dir);
    EXPECT_EQ(run.exit_code, 2) << ::testing::PrintToString(arguments);
    EXPECT_EQ(run.output, "");  // the usage goes to standard error
  }
  EXPECT_EQ(Entries(dir.path, false), std::vector<std::string>{});
}

TEST(MakeAssets, WritesTheShippedAssetsIntoTheGivenFolderOnly) {
  TempDir dir;
  ChildOptions in_dir;
  in_dir.folder = dir.path;
  ASSERT_EQ(RunProgram(MAKE_ASSETS_BINARY, {"out"}, 20.0, in_dir).exit_code, 0);
  EXPECT_EQ(Entries(dir.path, false), (std::vector<std::string>{"out"}));
  EXPECT_EQ(Entries(dir.File("out"), false), (std::vector<std::string>{"imgs", "map"}));
  for (const char* part : {"imgs", "map"}) {
    const std::string shipped = std::string(TEST_ASSETS_DIR) + "/" + part;
    const std::string made = dir.File("out/") + part;
    ASSERT_EQ(Entries(made, true), Entries(shipped, true));
    for (const std::string& name : Entries(shipped, true)) {
      if (fs::is_directory(shipped + "/" + name)) continue;
      EXPECT_EQ(File_Read(made + "/" + name), File_Read(shipped + "/" + name)) << name;
    }
  }
}

}  // namespace
