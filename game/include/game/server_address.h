// Where a client finds the server: fixed, there is no configuration.
#pragma once

#include <cstdint>

inline constexpr const char* SERVER_HOST = "Localhost";
inline constexpr std::uint16_t SERVER_PORT = 33222;
