// The client tests' helpers for real programs, used by the end-to-end suite.
#include <regex>

#include "client_test_support.h"

std::unique_ptr<Child> Child_Start(const std::vector<std::string>& argv,
                                   const std::filesystem::path& folder,
                                   const std::vector<std::string>& env) {
  ChildOptions options;
  options.folder = folder.string();
  options.env = env;
  auto child = std::make_unique<Child>(Child_Start(argv, options));
  if (child->pid <= 0) return nullptr;
  return child;
}

std::vector<int> RelayedXs(const std::string& bot_output) {
  static const std::regex relay(R"(relay [^\n]*x=(-?\d+))");
  std::vector<int> xs;
  for (auto it = std::sregex_iterator(bot_output.begin(), bot_output.end(), relay);
       it != std::sregex_iterator(); ++it) {
    xs.push_back(std::stoi((*it)[1].str()));
  }
  return xs;
}
