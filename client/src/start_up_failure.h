// How the client's start-up ends when something it needs cannot be had: an
// image, the map file or the connection. Its own file, so that sprites, map
// and network need nothing of the game record to give up.
#pragma once

#include <string_view>

// Prints the line, waits for a key and ends the program with -1.
[[noreturn]] void StartUp_Fail(std::string_view line);
