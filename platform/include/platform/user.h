// Who runs the program and on which machine, for the names a player and a
// game get when nobody gives one. Either may come back empty: the caller
// has a fallback.
#pragma once

#include <string>

// The login name (the user name on Windows).
std::string LoginName();
// The machine's network name.
std::string MachineName();
