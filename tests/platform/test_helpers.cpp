#include "test_helpers.h"

#ifndef PLATFORM_TEST_HELPER
#error "PLATFORM_TEST_HELPER must name the helper program"
#endif

Child Child_Start(const std::vector<std::string>& arguments, ChildInput input, bool close_stdout) {
  std::vector<std::string> argv{PLATFORM_TEST_HELPER};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildOptions options;
  options.input = input;
  options.output = close_stdout ? ChildOutput::Closed : ChildOutput::Pipe;
  return Child_Start(argv, options);
}
