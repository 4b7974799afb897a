#include "client_options.h"

#include "game/command_line.h"

namespace {

bool ClientOptions_ReadHost(std::string_view value, ClientOptions& options) {
  options.host = value;
  options.hostGiven = true;
  return true;
}

bool ClientOptions_ReadJoin(std::string_view value, ClientOptions& options) {
  options.lan = true;
  return ClientOptions_ReadHost(value, options);
}

// In the order of CLIENT_USAGE.
constexpr CommandOption<ClientOptions> CLIENT_OPTIONS[] = {
    {"--host", true, CommandOption_NotEmpty<ClientOptions_ReadHost>},
    {"--port", true, CommandOption_ReadPort<&ClientOptions::port>},
    {"--lan", false, CommandOption_SetFlag<&ClientOptions::lan>},
    {"--join", true, CommandOption_NotEmpty<ClientOptions_ReadJoin>},
    {"--name", true, CommandOption_ReadText<&ClientOptions::name>},
};

}  // namespace

bool ClientOptions_Parse(int argc, char** argv, ClientOptions& options) {
  return CommandLine_Parse(argc, argv, CLIENT_OPTIONS, options);
}
