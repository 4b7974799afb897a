#include "client_options.h"

#include "game/command_line.h"

bool ClientOptions_Parse(int argc, char** argv, ClientOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--lan") {
      options.lan = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string_view value = argv[++i];
    if (name == "--port") {
      if (!Port_Parse(value, options.port)) return false;
    } else if (name == "--host" && !value.empty()) {
      options.host = value;
      options.hostGiven = true;
    } else {
      return false;
    }
  }
  return true;
}
