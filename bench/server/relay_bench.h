// What server_bench and the relay_forwarder it starts agree on.
#pragma once

#include <cstdint>

// Beside the game's port, so that both programs can run at once.
inline constexpr std::uint16_t FORWARDER_PORT = 33223;
// A full server: four players.
inline constexpr int PLAYERS = 4;
